#pragma once
// Environment variables behind a seam: folder rules read them through an Environment, so tests
// hand in their own values instead of changing the process environment.

#include <functional>
#include <map>
#include <optional>
#include <string>

class Environment {
public:
    // The value of a variable, nothing when it is unset.
    using Lookup = std::function<std::optional<std::string>(const std::string& name)>;

    explicit Environment(Lookup lookup);

    // The process environment. HOME, when unset, comes from the user's password entry.
    static Environment process();
    // Exactly these variables; every other name is unset.
    static Environment fromMap(std::map<std::string, std::string> variables);

    std::optional<std::string> get(const std::string& name) const;
    // The value when the variable is set and not empty.
    std::optional<std::string> nonEmpty(const std::string& name) const;

private:
    Lookup lookup_;
};
