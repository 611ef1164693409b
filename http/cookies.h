// The cookie store as a whole: cookies, their store, the manager, the cookie
// date reader and the host and path rules.
#pragma once

#include "http/cookie.h"
#include "http/cookie_dates.h"
#include "http/cookie_manager.h"
#include "http/cookie_matching.h"
#include "http/cookie_store.h"
