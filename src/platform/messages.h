// The texts and titles every part shares, and the standard failure message.
#pragma once

#include "platform/dialogs.h"

#include <string>

namespace solvina {

inline constexpr const char* kProgramTitle = "ソルビナ";
inline constexpr const char* kFailureText = "エラーが発生しました。";
inline constexpr const char* kFailureTitle = "エラー発生";
inline constexpr const char* kRefusedTitle = "エラー";
inline constexpr const char* kDoneTitle = "メッセージ";
inline constexpr const char* kQuestionTitle = "確認";

// "エラーが発生しました。", CR LF, the description.
inline std::string failureMessage(const std::string& description) {
    return std::string(kFailureText) + "\r\n" + description;
}

inline void showFailure(Dialogs& dialogs, const std::string& description) {
    dialogs.messageBox(failureMessage(description), kFailureTitle, MessageButtons::Ok);
}

} // namespace solvina
