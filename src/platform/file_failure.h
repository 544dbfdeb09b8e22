// The descriptions of failed file operations that the user reads under the failure message.
#pragma once

#include "platform/result.h"

#include <string>

namespace solvina {

// The sentence for an errno value followed by the path in parentheses,
// e.g. "ファイルが見つかりません。（/a/b.htm）".
std::string fileFailureDescription(int errorNumber, const std::string& path);

inline Error fileFailure(int errorNumber, const std::string& path) {
    return fail(fileFailureDescription(errorNumber, path));
}

// The same for a read: a refused permission is told as a refused read, not a refused write.
std::string readFailureDescription(int errorNumber, const std::string& path);

inline Error readFailure(int errorNumber, const std::string& path) {
    return fail(readFailureDescription(errorNumber, path));
}

// A fixed sentence followed by the path in parentheses.
std::string describeWithPath(const std::string& sentence, const std::string& path);

inline constexpr const char* kFileNotFoundText = "ファイルが見つかりません。";
inline constexpr const char* kPathNotFoundText = "パスが見つかりません。";
inline constexpr const char* kNotWritableText = "書き込みできません。";
inline constexpr const char* kNotReadableText = "読み込みできません。";
inline constexpr const char* kDiskFullText = "ディスクの空き容量が不足しています。";
inline constexpr const char* kAlreadyExistsText = "ファイルは既に存在します。";
inline constexpr const char* kInputOutputText = "入出力エラーが発生しました。";

} // namespace solvina
