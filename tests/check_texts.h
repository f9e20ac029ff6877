// Expected log and box texts of the smart card stages, written out in UTF-8
// as the user reads them, and the few blocks that several tests expect.
// Functions return CP932 bytes.
#pragma once

#include <string>
#include <vector>

namespace readercheck::tests {

constexpr const char* START_TEXT = "ICカードリーダライタの動作確認を開始します。\r\n\r\n";
constexpr const char* CLOSING_TEXT = "\r\n動作確認終了\r\n";

constexpr const char* STEP_OK[] = {
    nullptr,
    "１. SCardEstablishContext    ＯＫ\r\n\r\n",
    "２. SCardListReaderGroups    ＯＫ\r\n\r\n",
    "３. SCardListReaders         ＯＫ\r\n\r\n",
    "４. SCardConnect             ＯＫ\r\n\r\n",
    "５. SCardStatus              ＯＫ\r\n",
    "６. SCardControl             ＯＫ\r\n",
    "７. SCardDisconnect          ＯＫ\r\n\r\n",
};
constexpr const char* STEP_NG[] = {
    nullptr,
    "１. SCardEstablishContext    ＮＧ",
    "２. SCardListReaderGroups    ＮＧ",
    "３. SCardListReaders         ＮＧ",
    "４. SCardConnect             ＮＧ",
    "５. SCardStatus              ＮＧ",
    "６. SCardControl             ＮＧ",
    "７. SCardDisconnect          ＮＧ",
    "８.SCardReleaseContext      ＮＧ\r\n",
};

// Reader discovery.
constexpr const char* R1_BOX =
    "ＩＣカードリーダライタを使用する準備ができませんでした。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。";
constexpr const char* R1_LOG =
    "    ICカードリーダライタを使用する準備ができませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n";
constexpr const char* R2_BOX = "ＩＣカードリーダライタが見つかりませんでした。\r\n";
constexpr const char* R2_LOG =
    "    ICカードリーダライタが見つかりませんでした。\r\n"
    "    ICカードリーダライタを抜き差しまたは、\r\n　　別のUSBポートに接続してください。\r\n";
constexpr const char* R3_BOX =
    "ＩＣカードリーダライタが見つかりませんでした。\r\nＩＣカードリーダライタを抜き差しまたは、\r\n別のUSBポートに接続してください。\r\n";
constexpr const char* R4_BOX =
    "ＩＣカードリーダライタ（QX-7300）が見つかりませんでした。\r\nＩＣカードリーダライタを抜き差しまたは、別のUSBポートに\r\n接続してください。";
constexpr const char* R4_LOG =
    "    ICカードリーダライタ（QX-7300）が見つかりませんでした。\r\n"
    "    ICカードリーダライタを抜き差しまたは、別のUSBポートに\r\n　　接続してください。\r\n";
constexpr const char* R8_BOX =
    "検査が正常に終了しませんでした。\r\nＩＣカードリーダライタが正しく接続されていることを\r\n確認してください。";
constexpr const char* R8_LOG =
    "　　検査が正常に終了しませんでした。\r\n　　ICカードリーダライタが正しく接続されていることを\r\n　　確認してください。\r\n";

// Per-reader test.
constexpr const char* C4_BOX =
    "\r\nＩＣカードを認識できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。";
constexpr const char* C4_LOG =
    "    ICカードを認識できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n";
constexpr const char* C5_BOX =
    "\r\nＩＣカード情報が取得できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。";
constexpr const char* C5_LOG =
    "    ICカード情報が取得できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n";
constexpr const char* C6_BOX =
    "ファームウェアのバージョンが取得できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。";
constexpr const char* C6_LOG =
    "    ファームウェアのバージョンが取得できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n";
constexpr const char* C7_BOX =
    "検査が正常に終了しませんでした。\r\nＩＣカードリーダライタが正しく接続されていることを確認してください。";
constexpr const char* C7_LOG =
    "　　検査が正常に終了しませんでした。\r\n　　ICカードリーダライタが正しく接続されていることを\r\n　　確認してください。\r\n";

constexpr const char* ERROR_CAPTION_TEXT = "エラー";
constexpr const char* SPECIFIC_T1_TEXT = "  SCARD_SPECIFIC    SCARD_PROTOCOL_T1\r\n";

// A failure entry with its frame: opening slash line, text, closing slash line.
std::string Framed(const std::string& utf8LogText);
// A failed step: its NG text, the code suffix as written (e.g. "  (0x00000000)"),
// a blank line and the framed log text.
std::string FailedStep(int step, const std::string& codeSuffix, const std::string& utf8LogText);
std::string Ok(int step);

std::string StepsOneToThreeOk();
std::string ReaderListing(const std::vector<std::string>& names);
std::string ReaderHeader(const std::string& name);
// Step 5's OK text and status block: the shown name, the state line and the ATR bytes.
std::string StatusBlock(const std::string& shownName, const std::string& stateLine,
                        const std::string& atrText);
// Step 6's OK text with the two version lines.
std::string VersionBlock(const std::string& firmware, const std::string& driver);
std::string Verdict(const std::string& name, bool failed);
// Everything a reader that answers like WorkingCard(name) writes.
std::string WorkingReaderBlock(const std::string& name);

}  // namespace readercheck::tests
