// Message boxes, the input box and the common dialogs, as the core asks for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace solvina {

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct FileChoice {
    enum class Outcome { Chosen, Cancelled, Failed } outcome = Outcome::Cancelled;
    std::string path;        // Chosen: the full path
    std::string description; // Failed: what went wrong
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer messageBox(const std::string& text, const std::string& title,
                              MessageButtons buttons) = 0;
    // nullopt on Cancel; the field starts empty.
    virtual std::optional<std::string> inputBox(const std::string& prompt,
                                                const std::string& title) = 0;
    // The chosen colour as 0x00BBGGRR; nullopt on cancel or failure. The chooser opens on
    // current (0x00BBGGRR), so that a colour is adjusted from where it stands.
    virtual std::optional<std::uint32_t> chooseColor(std::uint32_t current) = 0;
    // filter as "description|*.a;*.b".
    virtual FileChoice chooseFileToOpen(const std::string& filter) = 0;
    // One of items (a list to pick from, not to type into), by its index; nullopt on cancel.
    virtual std::optional<int> chooseItem(const std::string& title, const std::string& prompt,
                                          const std::vector<std::string>& items) = 0;
};

} // namespace solvina
