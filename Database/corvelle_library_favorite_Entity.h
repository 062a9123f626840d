#pragma once

#include "Database/corvelle_library_files_Entity.h"

// A library favourites row: file_id from id, file_name.
struct corvelle_library_favorite_Entity : corvelle_library_files_Entity { };
