// Sets (or, with nullptr, removes) one environment variable for the life of
// the object and puts the old state back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            saved_ = old;
        Set(name, value);
    }
    ~TScopedEnv() { Set(name_.c_str(), saved_ ? saved_->c_str() : nullptr); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    static void Set(const char* name, const char* value) {
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

    std::string name_;
    std::optional<std::string> saved_;
};
