#include "ViewHost.h"

#include "CVellumarkDoc.h"
#include "CVellumarkView.h"
#include "CommandIds.h"
#include "CoverPage.h"
#include "QtUi.h"
#include "TrackListItem.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QVBoxLayout>

namespace cli {
namespace {

QString SideName(int side) {
    switch (side) {
    case FrontCover: return QStringLiteral("Front Cover");
    case BackCover: return QStringLiteral("Back Cover");
    case SlimlineCdInsert: return QStringLiteral("Slimline Insert");
    case DvdCaseWrap: return QStringLiteral("DVD Case Wrap");
    case SlimlineDvdCaseWrap: return QStringLiteral("Slimline DVD Case Wrap");
    case Disc: return QStringLiteral("Disc");
    default: return QStringLiteral("Page");
    }
}

QIcon Swatch(COLORREF color, bool outline) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor c(GetRValue(color), GetGValue(color), GetBValue(color));
    if (outline) {
        p.setPen(QPen(c, 3));
        p.drawRect(2, 2, 12, 12);
    } else {
        p.setPen(Qt::black);
        p.setBrush(c);
        p.drawRect(1, 1, 13, 13);
    }
    return QIcon(pixmap);
}

class HostWindow : public QMainWindow {
public:
    HostWindow(CVellumarkDoc& doc, QString path) : doc_(doc), path_(std::move(path)) {
        auto* frame = new QWidget(this);
        auto* layout = new QVBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new CVellumarkView(&doc_, frame);
        layout->addWidget(view_);
        setCentralWidget(frame);

        BuildMenus();
        BuildToolBar();

        view_->onUpdateToolsState = [this] { SyncTools(); };
        view_->onToolsBarChanged = [this] { SyncTools(); };
        doc_.onModifiedChanged = [this](bool) { UpdateTitle(); };
        doc_.onUpdateAllViews = [this] { view_->viewport()->update(); };
        view_->OnInitialUpdate();
        view_->SwitchToPage(0);
        SyncTools();
        UpdateTitle();
        resize(1100, 800);
    }

protected:
    void closeEvent(QCloseEvent* e) override {
        view_->CommitTextEditor();
        if (doc_.IsModified()) {
            const ui::Answer a = ui::Current().MessageBox(
                QStringLiteral("Vellumark"),
                QStringLiteral("Save changes to %1?").arg(DisplayName()), ui::Icon::Warning,
                ui::Buttons::YesNoCancel);
            if (a == ui::Answer::Cancel || (a == ui::Answer::Yes && !Save(false))) {
                e->ignore();
                return;
            }
        }
        e->accept();
    }

private:
    QAction* AddCommand(QWidget* owner, const QString& text, int id,
                        const QList<QKeySequence>& keys = {}) {
        auto* a = new QAction(text, this);
        a->setData(id);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, id] {
            view_->OnCommand(id);
            SyncTools();
        });
        owner->addAction(a);
        commands_.push_back(a);
        return a;
    }

    void BuildMenus() {
        QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
        QAction* save = file->addAction(QStringLiteral("&Save"), this, [this] { Save(false); });
        save->setShortcut(QKeySequence::Save);
        file->addAction(QStringLiteral("Save &As..."), this, [this] { Save(true); });
        file->addSeparator();
        QAction* close = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
        close->setShortcut(QKeySequence::Close);

        QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
        AddCommand(edit, QStringLiteral("Cu&t"), cmd::Cut,
                   {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
        AddCommand(edit, QStringLiteral("&Copy"), cmd::Copy,
                   {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
        AddCommand(edit, QStringLiteral("&Paste"), cmd::Paste,
                   {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
        AddCommand(edit, QStringLiteral("&Delete"), cmd::Delete, {QKeySequence(Qt::Key_Delete)});
        connect(edit, &QMenu::aboutToShow, this, [this] { SyncTools(); });

        QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
        AddCommand(help, QStringLiteral("Help Topics"), cmd::HelpTopics, {QKeySequence(Qt::Key_F1)});
    }

    void BuildToolBar() {
        QToolBar* bar = addToolBar(QStringLiteral("Tools"));
        pages_ = new QComboBox(bar);
        for (const auto& page : doc_.Pages()) pages_->addItem(SideName(page->coverSide));
        connect(pages_, &QComboBox::activated, this, [this](int index) {
            view_->SwitchToPage(index);
            SyncTools();
        });
        bar->addWidget(new QLabel(QStringLiteral(" Page: "), bar));
        bar->addWidget(pages_);
        bar->addSeparator();

        auto* tools = new QActionGroup(this);
        const struct {
            const char* text;
            int id;
            int tool;
        } toolList[] = {
            {"Select", cmd::SelectTool, CVellumarkView::Select},
            {"Line", cmd::LineTool, CVellumarkView::Line},
            {"Circle", cmd::CircleTool, CVellumarkView::Circle},
            {"Ellipse", cmd::EllipseTool, CVellumarkView::Ellipse},
            {"Rectangle", cmd::RectangleTool, CVellumarkView::Rectangle},
            {"Triangle", cmd::TriangleTool, CVellumarkView::Triangle},
            {"Pen", cmd::PenTool, CVellumarkView::Pen},
            {"Text", cmd::TextTool, CVellumarkView::Text},
        };
        for (const auto& t : toolList) {
            QAction* a = AddCommand(bar, QString::fromLatin1(t.text), t.id);
            a->setCheckable(true);
            tools->addAction(a);
            toolActions_.push_back({a, t.tool});
        }
        AddCommand(bar, QStringLiteral("Picture..."), cmd::InsertPicture);
        bar->addSeparator();
        outline_ = AddCommand(bar, QStringLiteral("Outline Color"), cmd::OutlineColor);
        fill_ = AddCommand(bar, QStringLiteral("Fill Color"), cmd::FillColor);
        AddCommand(bar, QStringLiteral("Font..."), cmd::Font);
        bar->addSeparator();
        AddCommand(bar, QStringLiteral("Zoom In"), cmd::ZoomIn);
        AddCommand(bar, QStringLiteral("Zoom Out"), cmd::ZoomOut);
        AddCommand(bar, QStringLiteral("Rotate +90"), cmd::RotateLeft)->setToolTip(QStringLiteral("Rotate"));
        AddCommand(bar, QStringLiteral("Rotate -90"), cmd::RotateRight)->setToolTip(QStringLiteral("Rotate"));
        bar->addSeparator();
        showTracks_ = AddCommand(bar, QStringLiteral("Show Tracks"), cmd::ShowTracks);
        showTracks_->setCheckable(true);
        AddCommand(bar, QStringLiteral("Edit Tracks"), cmd::EditTracks);
        overHole_ = AddCommand(bar, QStringLiteral("Print Over Hole"), cmd::PrintOverHole);
        overHole_->setCheckable(true);
        borders_ = AddCommand(bar, QStringLiteral("Borders"), cmd::PrintBorders);
        borders_->setCheckable(true);
    }

    // The window's controls follow the view: tool, colour buttons, switches, enabling.
    void SyncTools() {
        for (const auto& [action, tool] : toolActions_) action->setChecked(view_->currentTool == tool);
        const auto& bar = view_->toolsBar;
        outline_->setVisible(bar.outlineButtonShown);
        fill_->setVisible(bar.fillButtonShown);
        outline_->setIcon(Swatch(bar.outlineSwatch, true));
        fill_->setIcon(Swatch(bar.fillSwatch, false));
        for (QAction* a : commands_) a->setEnabled(view_->IsCommandEnabled(a->data().toInt()));
        if (const CoverPage* page = view_->page) {
            overHole_->setChecked(page->printOverInnerCircle != 0);
            overHole_->setEnabled(page->coverSide == Disc);
            borders_->setChecked(page->showBorder != 0);
            const TrackListItem* list = view_->TrackList();
            showTracks_->setChecked(list && list->Data().hasTrackText != 0);
            const int index = doc_.PageIndex(page);
            if (index >= 0 && index != pages_->currentIndex()) pages_->setCurrentIndex(index);
        }
    }

    QString DisplayName() const {
        return path_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName();
    }

    void UpdateTitle() {
        setWindowTitle(DisplayName() + (doc_.IsModified() ? QStringLiteral(" *") : QString()) +
                       QStringLiteral(" - Vellumark (label view)"));
    }

    bool Save(bool askName) {
        view_->CommitTextEditor();
        QString target = path_;
        if (askName || target.isEmpty()) {
            ui::FileDialog dialog;
            dialog.caption = QStringLiteral("Save As");
            dialog.proposedName = path_.isEmpty() ? QStringLiteral("Untitled.vlm") : path_;
            dialog.filter = QStringLiteral("Label Files (*.vlm);;All Files (*)");
            dialog.defaultExtension = QStringLiteral("vlm");
            const std::optional<QString> chosen = ui::Current().GetSaveFileName(dialog);
            if (!chosen) return false;
            target = *chosen;
        }
        if (!doc_.OnSaveDocument(target)) return false;
        path_ = target;
        UpdateTitle();
        return true;
    }

    CVellumarkDoc& doc_;
    QString path_;
    CVellumarkView* view_ = nullptr;
    QComboBox* pages_ = nullptr;
    QAction* outline_ = nullptr;
    QAction* fill_ = nullptr;
    QAction* showTracks_ = nullptr;
    QAction* overHole_ = nullptr;
    QAction* borders_ = nullptr;
    std::vector<std::pair<QAction*, int>> toolActions_;
    std::vector<QAction*> commands_;
};

} // namespace

int RunViewHost(CVellumarkDoc& doc, const QString& path) {
    HostWindow window(doc, path);
    QtUi dialogs(&window);
    const ui::ScopedUi scope(dialogs);
    window.show();
    return QApplication::exec();
}

} // namespace cli
