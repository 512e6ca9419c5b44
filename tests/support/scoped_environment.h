// Sets an environment variable for the life of the object, then puts back what was there.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace tunvex::testing {

class ScopedEnvironment {
  public:
    ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        setenv(name_.c_str(), value.c_str(), 1);
    }
    // A null value unsets the variable instead.
    ScopedEnvironment(std::string name, const char* value)
        : ScopedEnvironment(std::move(name), std::string()) {
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace tunvex::testing
