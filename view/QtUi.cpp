#include "QtUi.h"

#include "TextCodec.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontDialog>
#include <QMessageBox>

#include <cmath>

namespace {

// Items store character heights in pixels of a 96 dpi screen.
constexpr double kScreenDpi = 96.0;

QMessageBox::Icon QtIcon(ui::Icon icon) {
    switch (icon) {
    case ui::Icon::Information: return QMessageBox::Information;
    case ui::Icon::Question: return QMessageBox::Question;
    case ui::Icon::Warning: return QMessageBox::Warning;
    case ui::Icon::Stop: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons QtButtons(ui::Buttons buttons) {
    switch (buttons) {
    case ui::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case ui::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case ui::Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

} // namespace

QWidget* QtUi::Parent() const { return parent_ ? parent_ : QApplication::activeWindow(); }

ui::Answer QtUi::MessageBox(const QString& caption, const QString& text, ui::Icon icon,
                            ui::Buttons buttons) {
    QMessageBox box(QtIcon(icon), caption, text, QtButtons(buttons), Parent());
    switch (box.exec()) {
    case QMessageBox::Ok: return ui::Answer::Ok;
    case QMessageBox::Yes: return ui::Answer::Yes;
    case QMessageBox::No: return ui::Answer::No;
    case QMessageBox::Cancel: return ui::Answer::Cancel;
    default: return ui::DecliningAnswer(buttons); // closed by the window's frame
    }
}

std::optional<QString> QtUi::GetOpenFileName(const ui::FileDialog& dialog) {
    const QString path =
        QFileDialog::getOpenFileName(Parent(), dialog.caption, dialog.proposedName, dialog.filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtUi::GetSaveFileName(const ui::FileDialog& dialog) {
    // Callers ask about replacing a file themselves, in their own words.
    QString path = QFileDialog::getSaveFileName(Parent(), dialog.caption, dialog.proposedName,
                                                dialog.filter, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    if (!dialog.defaultExtension.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += u'.' + dialog.defaultExtension;
    return path;
}

std::optional<COLORREF> QtUi::ChooseColor(COLORREF initial) {
    const QColor chosen = QColorDialog::getColor(
        QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), Parent());
    if (!chosen.isValid()) return std::nullopt;
    return RGB(chosen.red(), chosen.green(), chosen.blue());
}

QFont QtUi::ToQFont(const LogFont& font) {
    QFont f(textcodec::Decode(font.FaceName()));
    const int height = std::abs(font.lfHeight);
    if (height > 0) f.setPointSizeF(height * 72.0 / kScreenDpi);
    if (font.lfWeight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(font.lfWeight, 1, 1000)));
    f.setItalic(font.lfItalic != 0);
    f.setUnderline(font.lfUnderline != 0);
    f.setStrikeOut(font.lfStrikeOut != 0);
    return f;
}

LogFont QtUi::FromQFont(const QFont& font, const LogFont& base) {
    LogFont out = base;
    out.lfHeight = -static_cast<std::int32_t>(std::lround(font.pointSizeF() * kScreenDpi / 72.0));
    out.lfWidth = 0;
    out.lfWeight = font.weight();
    out.lfItalic = font.italic() ? 1 : 0;
    out.lfUnderline = font.underline() ? 1 : 0;
    out.lfStrikeOut = font.strikeOut() ? 1 : 0;
    out.SetFaceName(textcodec::Encode(font.family()));
    return out;
}

std::optional<ui::FontChoice> QtUi::ChooseFont(const LogFont& font, COLORREF color) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), Parent());
    if (!ok) return std::nullopt;
    // Qt's font dialog has no colour: the text keeps its colour.
    return ui::FontChoice{FromQFont(chosen, font), color};
}
