# The system's own code: one static library per layer, each linking only the
# layers below it (tools/check-includes.py lists the order and checks the
# includes). `Corvelle` is all of them.
add_library(Corvelle INTERFACE)

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
  target_link_libraries(Corvelle INTERFACE ${name})
endfunction()

pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)

corvelle_subsystem(CorvelleHTTP Network/HTTP)
# The JSON codec is a library of its own: the protocol, the fuzz targets and
# the fake server link it.
file(GLOB _json_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Network/Protocol/QDJ*.cpp)
add_library(CorvelleJSON STATIC ${_json_sources})
target_link_libraries(CorvelleJSON PUBLIC corvelle_options PlatformFoundation)
target_link_libraries(Corvelle INTERFACE CorvelleJSON)
corvelle_subsystem(CorvelleDatabase Database CorvelleHTTP CorvelleJSON PkgConfig::SQLITE3)
set(CORVELLE_EXCLUDE_CorvelleProtocol "/QDJ[^/]*\\.cpp$")
corvelle_subsystem(CorvelleProtocol Network/Protocol CorvelleDatabase)
corvelle_subsystem(CorvelleFrame Classes/Frame CorvelleProtocol PkgConfig::MINIZIP)
corvelle_subsystem(CorvelleLibrary Classes/Library CorvelleFrame)
corvelle_subsystem(CorvelleLogin Classes/Login CorvelleFrame)
corvelle_subsystem(CorvelleSync Classes/Sync CorvelleFrame)
corvelle_subsystem(CorvelleCustomer Classes/Customer CorvelleFrame)
corvelle_subsystem(CorvelleCatalog Classes/Catalog CorvelleLibrary)
corvelle_subsystem(CorvelleQuoteOrder Classes/QuoteOrder CorvelleCatalog CorvelleCustomer)

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
target_link_libraries(Corvelle INTERFACE Platform)
