#pragma once
// Runs a piece of code in a child process as the unprivileged user "nobody" (uid/gid 65534), so
// tests that run as root can still see permission checks. The child's 32-bit result comes back
// through a pipe; nothing when the child could not give up root or did not report.

#include <cstdint>
#include <functional>
#include <optional>

std::optional<int32_t> runAsNobody(const std::function<int32_t()>& body);
// The same without dropping privileges: the code runs in a child with the caller's rights.
std::optional<int32_t> runInChild(const std::function<int32_t()>& body);
