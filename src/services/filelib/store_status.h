// The store status lives in util/ so that every layer can use it.
#ifndef TAV_SERVICES_FILELIB_STORE_STATUS_H_
#define TAV_SERVICES_FILELIB_STORE_STATUS_H_

#include "util/store_status.h"

#endif  // TAV_SERVICES_FILELIB_STORE_STATUS_H_
