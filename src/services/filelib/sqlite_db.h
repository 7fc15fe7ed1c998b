// The SQLite wrapper lives in util/ so that every store (the file library's,
// the security service's) shares one.
#ifndef TAV_SERVICES_FILELIB_SQLITE_DB_H_
#define TAV_SERVICES_FILELIB_SQLITE_DB_H_

#include "util/sqlite_db.h"

#endif  // TAV_SERVICES_FILELIB_SQLITE_DB_H_
