#include "GuestLogging.h"

Q_LOGGING_CATEGORY(lcGuest, "quorvel.guest", QtInfoMsg)
