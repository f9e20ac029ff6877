// Reader discovery: smart card steps 1, 2, 3 and 8 around the per-reader
// test of every reader/writer of the maker.
#include <cstring>
#include <string>
#include <vector>

#include "check/operation_check.h"

namespace readercheck {

const char READER_NAME_PREFIX[] = "VORNE QX7300";

namespace {

constexpr ScardDword READER_LIST_SIZE = 1024;
// A list that does not fit is asked for again at the length the system
// reports, up to this many characters.
constexpr ScardDword READER_LIST_LIMIT = 64 * 1024;
constexpr ScardLong SCARD_E_INSUFFICIENT_BUFFER_CODE = static_cast<ScardLong>(0x80100008);

const Failure CONTEXT_UNAVAILABLE = {
    "ＩＣカードリーダライタを使用する準備ができませんでした。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。",
    "    ICカードリーダライタを使用する準備ができませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n",
    ERROR_CAPTION,
};

// Steps 2 and 3 share their log text; their boxes differ.
const char* const READERS_NOT_FOUND_LOG =
    "    ICカードリーダライタが見つかりませんでした。\r\n"
    "    ICカードリーダライタを抜き差しまたは、\r\n　　別のUSBポートに接続してください。\r\n";

const Failure READER_GROUPS_UNAVAILABLE = {
    "ＩＣカードリーダライタが見つかりませんでした。\r\n",
    READERS_NOT_FOUND_LOG,
    ERROR_CAPTION,
};

const Failure READER_LIST_UNAVAILABLE = {
    "ＩＣカードリーダライタが見つかりませんでした。\r\nＩＣカードリーダライタを抜き差しまたは、\r\n別のUSBポートに接続してください。\r\n",
    READERS_NOT_FOUND_LOG,
    ERROR_CAPTION,
};

const Failure MAKERS_READER_MISSING = {
    "ＩＣカードリーダライタ（QX-7300）が見つかりませんでした。\r\nＩＣカードリーダライタを抜き差しまたは、別のUSBポートに\r\n接続してください。",
    "    ICカードリーダライタ（QX-7300）が見つかりませんでした。\r\n"
    "    ICカードリーダライタを抜き差しまたは、別のUSBポートに\r\n　　接続してください。\r\n",
    ERROR_CAPTION,
};

const Failure CONTEXT_NOT_RELEASED = {
    "検査が正常に終了しませんでした。\r\nＩＣカードリーダライタが正しく接続されていることを\r\n確認してください。",
    "　　検査が正常に終了しませんでした。\r\n　　ICカードリーダライタが正しく接続されていることを\r\n　　確認してください。\r\n",
    ERROR_CAPTION,
};

const char* const LISTING_HEAD = "このパソコンにおいて\r\n";
const char* const LISTING_TAIL = "のICカードリーダライタが見つかりました。\r\n\r\n";

// The reader list as step 3 left it: names each ended by a zero byte, the
// list by one more, `length` characters in all.
struct ReaderList {
    std::vector<char> buffer;
    ScardDword length = 0;

    void Clear(ScardDword size) {
        buffer.assign(size, '\0');
        length = size;
    }

    // Calls visit(name) for each name. Never reads past the buffer or the
    // returned length, even when the list lacks its terminators: a name cut
    // off by the length ends there, however few of its characters are left.
    // An empty name ends the list (in a whole list, the final terminator), so
    // a length larger than what was written lists no blank names.
    template <typename Visit>
    void ForEachName(Visit visit) const {
        const size_t limit = length < buffer.size() ? length : buffer.size();
        size_t offset = 0;
        while (offset < limit) {
            const size_t nameLength = strnlen(buffer.data() + offset, limit - offset);
            if (nameLength == 0) {
                return;
            }
            visit(std::string(buffer.data() + offset, nameLength));
            offset += nameLength + 1;
        }
    }
};

bool IsMakersReader(const std::string& name) {
    return name.size() >= READER_NAME_PREFIX_LENGTH &&
           std::memcmp(name.data(), READER_NAME_PREFIX, READER_NAME_PREFIX_LENGTH) == 0;
}

// Step 1; false when no context could be opened.
bool EstablishContext(RunContext& run, ScardContext* context) {
    const ScardLong result = run.api.establishContext(SCARD_SCOPE_USER, nullptr, nullptr, context);
    if (result != SCARD_S_SUCCESS) {
        ShowWarning(run, CONTEXT_UNAVAILABLE.boxText);
        run.log.AppendStepFailure(1, result, CONTEXT_UNAVAILABLE.logText);
        RefreshLog(run);
        return false;
    }
    run.log.AppendStepResult(1, true);
    RefreshLog(run);
    Pause(run, STEP_PAUSE_MS);
    return true;
}

// Step 2: only whether the groups can be asked for counts.
bool ListReaderGroups(RunContext& run, ScardContext context, ReaderList* readers) {
    readers->Clear(READER_LIST_SIZE);
    ScardDword groupsLength = 0;
    const ScardLong result = run.api.listReaderGroups(context, nullptr, &groupsLength);
    if (result != SCARD_S_SUCCESS) {
        run.log.AppendStepFailure(2, result, READER_GROUPS_UNAVAILABLE.logText);
        ScrollLogToEnd(run);
        ShowWarning(run, READER_GROUPS_UNAVAILABLE.boxText);
        RefreshLog(run);
        return false;
    }
    run.log.AppendStepResult(2, true);
    RefreshLog(run);
    ScrollLogToEnd(run);
    Pause(run, STEP_PAUSE_MS);
    return true;
}

void WriteReaderListing(RunContext& run, const ReaderList& readers) {
    run.log.Append(LISTING_HEAD);
    readers.ForEachName([&run](const std::string& name) { run.log.Append("  " + name + "\r\n"); });
    run.log.Append(LISTING_TAIL);
}

// The list of every reader. The names of many readers do not fit the usual
// buffer: the system then reports the length the list needs, and it is
// asked for again at that length (a reader plugged in meanwhile may lengthen
// it once more).
ScardLong AskForReaders(RunContext& run, ScardContext context, ReaderList* readers) {
    auto ask = [&] {
        return run.api.listReaders(context, nullptr, readers->buffer.data(), &readers->length);
    };
    ScardLong result = ask();
    for (int retry = 0; retry < 3 && result == SCARD_E_INSUFFICIENT_BUFFER_CODE; ++retry) {
        const ScardDword needed = readers->length;
        if (needed <= readers->buffer.size() || needed > READER_LIST_LIMIT) {
            break;
        }
        readers->Clear(needed);
        result = ask();
    }
    return result;
}

// Step 3. A list shorter than one name of one character and its two
// terminators counts as a failure even when the call succeeded.
bool ListReaders(RunContext& run, ScardContext context, ReaderList* readers) {
    const ScardLong result = AskForReaders(run, context, readers);
    if (result != SCARD_S_SUCCESS || readers->length < 3) {
        run.log.AppendStepFailure(3, result, READER_LIST_UNAVAILABLE.logText);
        ScrollLogToEnd(run);
        ShowWarning(run, READER_LIST_UNAVAILABLE.boxText);
        RefreshLog(run);
        RefreshLog(run);  // the second refresh is deliberate: the check has always shown it twice
        ScrollLogToEnd(run);
        return false;
    }
    run.log.AppendStepResult(3, true);
    WriteReaderListing(run, *readers);
    RefreshLog(run);
    ScrollLogToEnd(run);
    return true;
}

void TestMakersReaders(RunContext& run, ScardContext context, const ReaderList& readers) {
    bool matched = false;
    readers.ForEachName([&](const std::string& name) {
        if (IsMakersReader(name) && !DialogGone(run)) {
            matched = true;
            RunReaderTest(run, context, name.c_str());
        }
    });

    if (matched) {
        RefreshLog(run);
        ScrollLogToEnd(run);
        return;
    }
    run.log.AppendFramedEntry(MAKERS_READER_MISSING.logText);
    ScrollLogToEnd(run);
    ShowWarning(run, MAKERS_READER_MISSING.boxText);
    RefreshLog(run);
    RefreshLog(run);  // the second refresh is deliberate: the check has always shown it twice
    ScrollLogToEnd(run);
}

// Step 8. A successful release writes nothing.
void ReleaseContext(RunContext& run, ScardContext context) {
    run.log.Append("\r\n");
    Pause(run, STEP_PAUSE_MS);
    const ScardLong result = run.api.releaseContext(context);
    if (result != SCARD_S_SUCCESS) {
        run.log.AppendStepFailure(8, result, CONTEXT_NOT_RELEASED.logText);
        ScrollLogToEnd(run);
        ShowWarning(run, CONTEXT_NOT_RELEASED.boxText);
    }
    RefreshLog(run);
    ScrollLogToEnd(run);
}

}  // namespace

void RunReaderCheck(RunContext& run) {
    if (DialogGone(run)) {
        return;
    }
    ScardContext context = 0;
    if (!EstablishContext(run, &context)) {
        return;
    }
    // Without a dialog the steps stop and only the context is given back.
    ReaderList readers;
    if (!DialogGone(run) && ListReaderGroups(run, context, &readers) && !DialogGone(run) &&
        ListReaders(run, context, &readers)) {
        TestMakersReaders(run, context, readers);
    }
    ReleaseContext(run, context);
}

}  // namespace readercheck
