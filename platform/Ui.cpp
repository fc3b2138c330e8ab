#include "Ui.h"

#include <QRegularExpression>

#include <atomic>
#include <cstdio>

namespace ui {

Answer DecliningAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Cancel;
}

HeadlessUi::HeadlessUi(Sink sink) : sink_(std::move(sink)) {}

Answer HeadlessUi::MessageBox(const QString& caption, const QString& text, Icon,
                              Buttons buttons) {
    // One line per message, so scripts can read the error channel line by line.
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    QString line = text.trimmed();
    line.replace(breaks, QStringLiteral(" "));
    line = caption + QStringLiteral(": ") + line;
    if (sink_) {
        sink_(line);
    } else {
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
        std::fflush(stderr);
    }
    return DecliningAnswer(buttons);
}

std::optional<QString> HeadlessUi::GetOpenFileName(const FileDialog&) { return std::nullopt; }

std::optional<QString> HeadlessUi::GetSaveFileName(const FileDialog&) { return std::nullopt; }

std::optional<COLORREF> HeadlessUi::ChooseColor(COLORREF) { return std::nullopt; }

std::optional<FontChoice> HeadlessUi::ChooseFont(const LogFont&, COLORREF) { return std::nullopt; }

namespace {

HeadlessUi& DefaultUi() {
    static HeadlessUi headless;
    return headless;
}

std::atomic<Ui*> gCurrent{nullptr};

} // namespace

Ui& Current() {
    Ui* ui = gCurrent.load();
    return ui ? *ui : DefaultUi();
}

Ui* SetCurrent(Ui* ui) { return gCurrent.exchange(ui); }

} // namespace ui
