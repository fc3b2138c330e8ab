#include "ScriptedUi.h"

#include <gtest/gtest.h>

namespace testsupport {

const char* KindName(ScriptedUi::Kind kind) {
    switch (kind) {
    case ScriptedUi::Kind::Message:
        return "message";
    case ScriptedUi::Kind::OpenFile:
        return "open";
    case ScriptedUi::Kind::SaveFile:
        return "save";
    }
    return "?";
}

const char* IconName(ui::Icon icon) {
    switch (icon) {
    case ui::Icon::None:
        return "none";
    case ui::Icon::Information:
        return "information";
    case ui::Icon::Question:
        return "question";
    case ui::Icon::Warning:
        return "warning";
    case ui::Icon::Stop:
        return "stop";
    }
    return "?";
}

const char* ButtonsName(ui::Buttons buttons) {
    switch (buttons) {
    case ui::Buttons::Ok:
        return "ok";
    case ui::Buttons::OkCancel:
        return "ok-cancel";
    case ui::Buttons::YesNo:
        return "yes-no";
    case ui::Buttons::YesNoCancel:
        return "yes-no-cancel";
    }
    return "?";
}

ScriptedUi::ScriptedUi() : previous_(ui::SetCurrent(this)) {}

ScriptedUi::~ScriptedUi() {
    ui::SetCurrent(previous_);
    EXPECT_TRUE(queue_.empty()) << queue_.size() << " scripted answer(s) never asked for, the next "
                                << KindName(queue_.front().kind);
}

ScriptedUi& ScriptedUi::AnswerMessage(ui::Answer answer) {
    queue_.push_back({Kind::Message, answer, std::nullopt});
    return *this;
}

ScriptedUi& ScriptedUi::AnswerOpenFile(std::optional<QString> path) {
    queue_.push_back({Kind::OpenFile, ui::Answer::Cancel, std::move(path)});
    return *this;
}

ScriptedUi& ScriptedUi::AnswerSaveFile(std::optional<QString> path) {
    queue_.push_back({Kind::SaveFile, ui::Answer::Cancel, std::move(path)});
    return *this;
}

std::vector<std::string> ScriptedUi::Summary() const {
    std::vector<std::string> out;
    for (const Call& c : calls_) {
        std::string line = std::string(KindName(c.kind)) + "|" + c.caption.toStdString();
        if (c.kind == Kind::Message)
            line += std::string("|") + IconName(c.icon) + "|" + ButtonsName(c.buttons);
        out.push_back(line);
    }
    return out;
}

std::optional<ScriptedUi::Queued> ScriptedUi::Take(const Call& call) {
    calls_.push_back(call);
    if (queue_.empty() || queue_.front().kind != call.kind) {
        ADD_FAILURE() << "unexpected " << KindName(call.kind) << " \"" << call.caption.toStdString()
                      << "\": " << call.text.toStdString()
                      << (queue_.empty() ? " (no answer queued)"
                                         : std::string(" (the next answer is for a ") +
                                               KindName(queue_.front().kind) + ")");
        return std::nullopt;
    }
    Queued q = queue_.front();
    queue_.pop_front();
    return q;
}

ui::Answer ScriptedUi::MessageBox(const QString& caption, const QString& text, ui::Icon icon,
                                  ui::Buttons buttons) {
    const auto q = Take({Kind::Message, caption, text, icon, buttons, {}});
    return q ? q->answer : ui::DecliningAnswer(buttons);
}

std::optional<QString> ScriptedUi::GetOpenFileName(const ui::FileDialog& dialog) {
    const auto q = Take({Kind::OpenFile, dialog.caption, {}, ui::Icon::None, ui::Buttons::Ok, dialog});
    return q ? q->path : std::nullopt;
}

std::optional<QString> ScriptedUi::GetSaveFileName(const ui::FileDialog& dialog) {
    const auto q = Take({Kind::SaveFile, dialog.caption, {}, ui::Icon::None, ui::Buttons::Ok, dialog});
    return q ? q->path : std::nullopt;
}

} // namespace testsupport
