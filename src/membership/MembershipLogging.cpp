#include "MembershipLogging.h"

Q_LOGGING_CATEGORY(lcMembership, "quorvel.membership", QtInfoMsg)
