// The timed build's check procedure: one check with every call of its
// platform interfaces timed, the times written through OutputDebugStringA
// once the run has ended, so that writing them costs the run nothing.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "check/operation_check.h"
#include "ui/check_procedure.h"

namespace {

// One call of an interface: what, one number that tells it apart (a control
// id, a text length, a pause), and when it began and ended.
struct Event {
    const char* what;
    long long arg;
    LONGLONG begin;
    LONGLONG end;
};

class Timeline {
public:
    Timeline() {
        m_events.reserve(1024);
        QueryPerformanceFrequency(&m_frequency);
        QueryPerformanceCounter(&m_start);
    }

    LONGLONG Now() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }

    void Add(const char* what, long long arg, LONGLONG begin) {
        m_events.push_back(Event{what, arg, begin, Now()});
    }

    // One line per call, times in microseconds from the start of the run.
    void Write() const {
        char line[160];
        std::snprintf(line, sizeof line, "rcstage run %u\n", static_cast<unsigned>(GetTickCount()));
        OutputDebugStringA(line);
        for (const Event& event : m_events) {
            std::snprintf(line, sizeof line, "rcstage %lld %lld %s %lld\n", Micro(event.begin),
                          Micro(event.end), event.what, event.arg);
            OutputDebugStringA(line);
        }
        std::snprintf(line, sizeof line, "rcstage end %lld\n", Micro(Now()));
        OutputDebugStringA(line);
    }

private:
    long long Micro(LONGLONG ticks) const {
        return (ticks - m_start.QuadPart) * 1000000 / m_frequency.QuadPart;
    }

    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
    std::vector<Event> m_events;
};

// Each decorator passes every call on unchanged to the interface it wraps
// and notes its time.
template <typename Interface>
class Timed : public Interface {
public:
    Timed(Interface& inner, Timeline& times) : m_inner(inner), m_times(times) {}

protected:
    Interface& m_inner;
    Timeline& m_times;
};

class TimedWindow : public Timed<readercheck::CheckWindow> {
public:
    using Timed::Timed;
    void SetItemText(int id, const char* text) override {
        const LONGLONG begin = m_times.Now();
        m_inner.SetItemText(id, text);
        m_times.Add("text", static_cast<long long>(lstrlenA(text)), begin);
    }
    int GetLineCount(int id) override {
        const LONGLONG begin = m_times.Now();
        const int lines = m_inner.GetLineCount(id);
        m_times.Add("lines", lines, begin);
        return lines;
    }
    void ScrollLines(int id, int lines) override {
        const LONGLONG begin = m_times.Now();
        m_inner.ScrollLines(id, lines);
        m_times.Add("scroll", lines, begin);
    }
    void EnableItem(int id, bool enabled) override {
        const LONGLONG begin = m_times.Now();
        m_inner.EnableItem(id, enabled);
        m_times.Add(enabled ? "enable" : "disable", id, begin);
    }
    int ShowMessageBox(const char* text, const char* caption, unsigned flags) override {
        const LONGLONG begin = m_times.Now();
        const int result = m_inner.ShowMessageBox(text, caption, flags);
        m_times.Add("box", flags, begin);
        return result;
    }
    bool IsGone() override { return m_inner.IsGone(); }
};

class TimedPauser : public Timed<readercheck::Pauser> {
public:
    using Timed::Timed;
    void Pause(unsigned milliseconds) override {
        const LONGLONG begin = m_times.Now();
        m_inner.Pause(milliseconds);
        m_times.Add("pause", milliseconds, begin);
    }
};

class TimedLibraries : public Timed<readercheck::LibraryLoader> {
public:
    using Timed::Timed;
    readercheck::LibraryHandle Load(const char* name) override {
        const LONGLONG begin = m_times.Now();
        readercheck::LibraryHandle library = m_inner.Load(name);
        m_times.Add("load", library != nullptr, begin);
        return library;
    }
    void* FindExport(readercheck::LibraryHandle library, const char* exportName) override {
        const LONGLONG begin = m_times.Now();
        void* address = m_inner.FindExport(library, exportName);
        m_times.Add("export", address != nullptr, begin);
        return address;
    }
    void Free(readercheck::LibraryHandle library) override {
        const LONGLONG begin = m_times.Now();
        m_inner.Free(library);
        m_times.Add("free", 0, begin);
    }
};

class TimedServices : public Timed<readercheck::ServiceManager> {
public:
    using Timed::Timed;
    readercheck::ServiceManagerHandle Open() override {
        const LONGLONG begin = m_times.Now();
        readercheck::ServiceManagerHandle manager = m_inner.Open();
        m_times.Add("scm-open", manager != nullptr, begin);
        return manager;
    }
    uint32_t EnumerateBatch(readercheck::ServiceManagerHandle manager, void* buffer,
                            uint32_t bufferSize, uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override {
        const LONGLONG begin = m_times.Now();
        const uint32_t error = m_inner.EnumerateBatch(manager, buffer, bufferSize, bytesNeeded,
                                                      servicesReturned, resumeHandle);
        m_times.Add("scm-list", servicesReturned != nullptr ? *servicesReturned : 0, begin);
        return error;
    }
    void Close(readercheck::ServiceManagerHandle manager) override {
        const LONGLONG begin = m_times.Now();
        m_inner.Close(manager);
        m_times.Add("scm-close", 0, begin);
    }
};

class TimedVersion : public Timed<readercheck::VersionQuery> {
public:
    using Timed::Timed;
    bool Query(readercheck::VersionForm form, readercheck::VersionRecord* record) override {
        const LONGLONG begin = m_times.Now();
        const bool ok = m_inner.Query(form, record);
        m_times.Add("version", ok, begin);
        return ok;
    }
};

}  // namespace

unsigned RunCheckProcedure(const readercheck::CheckSystem& system) {
    Timeline times;
    TimedWindow window(system.window, times);
    TimedPauser pauser(system.pauser, times);
    TimedLibraries libraries(system.libraries, times);
    TimedServices services(system.services, times);
    TimedVersion version(system.version, times);
    const unsigned result = readercheck::RunOperationCheck(
        readercheck::CheckSystem{window, pauser, libraries, services, version});
    times.Write();
    return result;
}
