// Dispatch of the command-line commands by name, and the usage text built from them.
#include "cli/cli.h"

#include "cli/cli_commands.h"
#include "platform/messages.h"

#include <string>
#include <vector>

namespace solvina {

namespace {

struct Command {
    const char* name;
    const char* synopsis; // the command's line in the usage text
    int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"list", "list [--library DIR] [--verbose]", runListCommand},
    {"preview", "preview [--library DIR] --style NAME [--out FILE] [--markup FORM]",
     runPreviewCommand},
    {"apply", "apply [OPTIONS] --style NAME TOP_PAGE", runApplyCommand},
    {"erase", "erase [OPTIONS] --style NAME TOP_PAGE", runEraseCommand},
    {"undo", "undo [--list] [--run ID] [--force] TOP_PAGE", runUndoCommand},
};

// The options of apply and erase.
constexpr const char* kApplyOptionsHelp =
    "apply と erase のオプション:\n"
    "  --library DIR         スタイルライブラリのフォルダー\n"
    "  --style NAME          クイブレルスタイルの名前（必須）\n"
    "  --no-top              ページ上部（<BODY...>の後）に挿入しない\n"
    "  --bottom              ページ下部（</BODY>の前）に挿入する\n"
    "  --rule                罫線を入れる\n"
    "  --no-title-links      ページタイトルにリンクを設定しない\n"
    "  --skip-top-page       トップページには適応しない\n"
    "  --top-title TEXT      トップページだけ別のページタイトルをつける\n"
    "  --header-link TARGET  ヘッダー接続記号にリンクを設定する\n"
    "  --footer-link TARGET  フッター接続記号にリンクを設定する\n"
    "  --hierarchy MODE      階層の決め方: order（リンクをたどった順、既定）か\n"
    "                        shortest（トップページからの最短のリンク）\n"
    "  --markup FORM         リストの形式: table（表、既定）か nav（アクセシブル）\n"
    "  --json-ld BASE_URL    構造化データ（schema.org の BreadcrumbList）を加える。\n"
    "                        BASE_URL はトップページのフォルダーの URL\n"
    "  --dry-run             何も書かずに、計画（ページの木、エラー、件数）を表示する\n"
    "  --format FORMAT       --dry-run の出力: text（既定）か json\n"
    "  --keep N              元に戻せるように残す実行の数（既定 10、0 で残さない）\n"
    "  --max-pages N         1 回の実行で適応するページの上限（既定 1001、0 で上限なし）\n"
    "  --max-level N         階層の上限（既定 100、0 で上限なし）\n";

void writeUsage(std::ostream& stream) {
    stream << "使い方:\n";
    for (const Command& command : kCommands)
        stream << "  solvina-cli " << command.synopsis << '\n';
    stream << kApplyOptionsHelp;
    stream
        << "--library の既定はプログラムのフォルダーの styledata/、インストールしたプログラムでは\n"
           "$XDG_DATA_HOME/solvina/styledata/ (~/.local/share/solvina/styledata/) です。\n"
           "list --verbose で使うフォルダーを表示します。\n"
           "実行が置き換えたページは $XDG_STATE_HOME/solvina/undo/ (~/.local/state/solvina/undo/)\n"
           "に残り、undo で元に戻せます。\n";
}

} // namespace

int usageError(std::ostream& err, const std::string& message) {
    err << message << '\n';
    writeUsage(err);
    return kExitUsage;
}

void writeFailure(std::ostream& err, const std::string& description) {
    err << kFailureText << '\n' << description << '\n';
}

int runCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2)
        return usageError(err, "コマンドを指定してください。");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        writeUsage(out);
        return kExitDone;
    }
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (name == command.name)
            return command.run(arguments, out, err);
    }
    return usageError(err, "不明なコマンドです: " + name);
}

} // namespace solvina
