// The apply run: its settings, its state, the start procedure of the apply dialog and the
// erase-all run. The dialog and the command line both drive these.
#pragma once

#include "apply/apply_types.h"
#include "platform/dialogs.h"

#include <functional>
#include <optional>
#include <string>

namespace solvina {

struct SitePlan;

inline constexpr const char* kNoTopPageMessage = "トップページを指定してください。";
inline constexpr const char* kTopPageMissingMessage = "トップページが見つかりません。";
inline constexpr const char* kConfirmStartMessage = "適応を開始します。よろしいですか？";
inline constexpr const char* kApplyDoneMessage = "適応が終了しました。";
inline constexpr const char* kRunStoppedMessage = "中断しました。ページは書き換えていません。";
inline constexpr const char* kProgressPrefix = "適応中：";
inline constexpr const char* kEraseConfirmMessage =
    "この機能を実行すると、ホームページ内の全てのクイブレルリストを消去します。\r\n"
    "クイブレルリストを消したいときに利用してください。\r\n\r\n"
    "クイブレルリストを消去してよろしいですか？";
inline constexpr const char* kUnsavedImageMessage =
    "画像を変更した場合には、いったん保存しないとこの機能は使えません。\r\n"
    "「クイブレルスタイルを上書保存」ボタンを押して保存してから、再度この機能を使ってください。";

// The first row (0..7) whose imageFile is a picked, unsaved path; the apply button then shows
// kUnsavedImageMessage.
std::optional<int> firstUnsavedImageRow(const BreadcrumbStyle& style);

// nullopt when the top page can be used; otherwise the message that refuses it.
std::optional<std::string> topPageCheckMessage(FileSystem& fs, const std::string& topPagePath);

// Plans a run from the top page (state must have been reset): every page entered is reported,
// no failure yet (they are in the plan). writesNothing leaves the quibrel folder unfilled.
// pagePlanned is called for each page to write as its pass ends (SiteTraversal::PagePlanned).
ApplyRunSummary
planApply(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env, SitePlan& plan,
          bool writesNothing,
          std::function<void(int page, std::optional<std::string> bytes)> pagePlanned = {});

// Runs QuiBREL from the top page (state must have been reset): plans, then writes. Failures are
// reported through the reporter in the order the run meets them.
ApplyRunSummary runApply(const ApplyOptions& options, ApplyRunState& state, ApplyEnvironment& env);

// The start button: the two checks, the confirmation, the reset, the run, the final message
// (none for a run that was asked to stop). Returns nullopt when it stopped before running.
std::optional<ApplyRunSummary> startApply(Dialogs& dialogs, const ApplyOptions& options,
                                          ApplyRunState& state, ApplyEnvironment& env);

// The erase button: the erase warning, then startApply with eraseAll set.
std::optional<ApplyRunSummary> startEraseAll(Dialogs& dialogs, ApplyOptions options,
                                             ApplyRunState& state, ApplyEnvironment& env);

} // namespace solvina
