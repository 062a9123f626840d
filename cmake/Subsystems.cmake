# The system's own code: one static library per subsystem folder. The subsystems
# call each other both ways (singletons), so `Corvelle` links them as one group.
add_library(Corvelle INTERFACE)
set(_corvelle_libs "")

set(_corvelle_dirs "")

function(corvelle_subsystem name dir)
  set(_corvelle_dirs ${_corvelle_dirs} ${dir} PARENT_SCOPE)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(CORVELLE_EXCLUDE_${name})
    list(FILTER _sources EXCLUDE REGEX "${CORVELLE_EXCLUDE_${name}}")
  endif()
  if(NOT _sources)
    return()
  endif()
  add_library(${name} STATIC ${_sources})
  target_link_libraries(${name} PUBLIC corvelle_options Platform ${ARGN})
  set(_corvelle_libs ${_corvelle_libs} ${name} PARENT_SCOPE)
endfunction()

pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)

corvelle_subsystem(CorvelleDatabase Database PkgConfig::SQLITE3)
corvelle_subsystem(CorvelleFrame Classes/Frame PkgConfig::MINIZIP)
corvelle_subsystem(CorvelleCatalog Classes/Catalog)
corvelle_subsystem(CorvelleCustomer Classes/Customer)
corvelle_subsystem(CorvelleQuoteOrder Classes/QuoteOrder)
corvelle_subsystem(CorvelleHTTP Network/HTTP)
# The JSON codec is a library of its own: the protocol, the fuzz targets and
# the fake server link it.
file(GLOB _json_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Network/Protocol/QDJ*.cpp)
add_library(CorvelleJSON STATIC ${_json_sources})
target_link_libraries(CorvelleJSON PUBLIC corvelle_options PlatformFoundation)
set(CORVELLE_EXCLUDE_CorvelleProtocol "/QDJ[^/]*\\.cpp$")
corvelle_subsystem(CorvelleProtocol Network/Protocol CorvelleJSON)
corvelle_subsystem(CorvelleLogin Classes/Login)
corvelle_subsystem(CorvelleSync Classes/Sync)
corvelle_subsystem(CorvelleLibrary Classes/Library)

# A folder of system code that no line above names would be left out of the
# build without a word; stop the configure instead.
file(GLOB _class_dirs LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/Classes/*)
foreach(_d ${_class_dirs})
  if(NOT IS_DIRECTORY ${_d})
    continue()
  endif()
  file(RELATIVE_PATH _rel ${CMAKE_SOURCE_DIR} ${_d})
  file(GLOB_RECURSE _found CONFIGURE_DEPENDS ${_d}/*.cpp)
  if(_found AND NOT _rel IN_LIST _corvelle_dirs)
    message(FATAL_ERROR "${_rel} holds sources but is not registered in cmake/Subsystems.cmake")
  endif()
endforeach()

if(_corvelle_libs)
  string(REPLACE ";" "," _group "${_corvelle_libs}")
  target_link_libraries(Corvelle INTERFACE "$<LINK_GROUP:RESCAN,${_group}>")
endif()
target_link_libraries(Corvelle INTERFACE Platform)
