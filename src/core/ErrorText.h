#pragma once

#include <QString>

#include <exception>
#include <optional>

// The text a screen shows for a failure, or nothing for a cancellation: a load dropped on purpose is never
// an alert. API and transport failures give their own Chinese text, a body of the wrong shape gives
// "响应格式不正确", anything else a Chinese generic text; never a platform's English one.
std::optional<QString> errorText(std::exception_ptr failure);

// A failure as one log line: its kind and status, never a body or a token.
QString failureSummary(std::exception_ptr failure);
