// The driver's output: one line per observation, written through at once so
// that a driver stopped half way still leaves what it saw.
#pragma once

#include <string>

namespace uidriver {

class Results {
public:
    explicit Results(const std::string& path);
    ~Results();
    Results(const Results&) = delete;
    Results& operator=(const Results&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    void Write(const std::string& line);

private:
    void* m_file;
};

}  // namespace uidriver
