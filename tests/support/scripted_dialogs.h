// A Dialogs fake for tests: answers from a script, and a record of every dialog shown.
#pragma once

#include "platform/dialogs.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace solvina::test_support {

struct ShownDialog {
    std::string kind; // "message", "input", "color", "file", "item"
    std::string text; // message or prompt text; the filter for "file"
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    std::uint32_t startColor = 0; // "color": the colour the chooser opened on
};

class ScriptedDialogs : public Dialogs {
public:
    // Answers to the next message boxes; a box without a scripted answer gets Ok / Yes.
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<std::uint32_t>> colors;
    std::deque<FileChoice> files;
    std::deque<std::optional<int>> items; // a chooser without a scripted answer is cancelled
    std::vector<std::vector<std::string>> itemLists; // what each chooser offered
    std::vector<ShownDialog> shown;

    Answer messageBox(const std::string& text, const std::string& title,
                      MessageButtons buttons) override {
        shown.push_back({"message", text, title, buttons});
        if (answers.empty())
            return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Yes;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override {
        shown.push_back({"input", prompt, title, MessageButtons::Ok});
        return pop(inputs, std::optional<std::string>{});
    }
    std::optional<std::uint32_t> chooseColor(std::uint32_t current) override {
        shown.push_back({"color", "", "", MessageButtons::Ok, current});
        return pop(colors, std::optional<std::uint32_t>{});
    }
    FileChoice chooseFileToOpen(const std::string& filter) override {
        shown.push_back({"file", filter, "", MessageButtons::Ok});
        return pop(files, FileChoice{});
    }
    std::optional<int> chooseItem(const std::string& title, const std::string& prompt,
                                  const std::vector<std::string>& offered) override {
        shown.push_back({"item", prompt, title, MessageButtons::Ok});
        itemLists.push_back(offered);
        return pop(items, std::optional<int>{});
    }

    // The texts of the message boxes shown, in order.
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& d : shown)
            if (d.kind == "message")
                texts.push_back(d.text);
        return texts;
    }

private:
    template <typename T> static T pop(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

} // namespace solvina::test_support
