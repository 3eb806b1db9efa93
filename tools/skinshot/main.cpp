// skinshot: renders the skin dialog to PNG files for review, in both language variants.
//   skinshot [output-folder]      (default: ./skinshots)
// For each variant it writes <variant>-normal.png (as the program starts), <variant>-hover.png
// (a keyboard chosen, the pointer on the first skin button) and <variant>-download.png (a
// script download running). Outside the window's outline the pictures are transparent.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <cstdio>

#include "skin/CSkinDialog.h"
#include "skin/LanguageId.h"

using namespace vorn::skin;

namespace {

struct Variant {
    const char* name;
    QLocale locale;
};

// Processes events until `done` holds or a second has passed.
template <typename Done>
bool WaitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

template <typename Control>
Control& ControlOf(const CSkinDialog& dialog, int id) {
    return *qobject_cast<Control*>(dialog.GetDlgItem(id));
}

// Puts the pointer on skin button `index`, taking it off every other button.
void Hover(const CSkinDialog& dialog, std::size_t index) {
    for (CSkinButton* button : dialog.SkinButtons()) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    }
    CSkinButton& button = *dialog.SkinButtons().at(index);
    const QPointF at(button.width() / 2.0, button.height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, button.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&button, &move);
}

bool Save(CSkinDialog& dialog, const QDir& folder, const QString& name) {
    QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (!dialog.mask().isEmpty()) {
        QPainter painter(&shot);
        painter.setClipRegion(QRegion(shot.rect()).subtracted(dialog.mask()));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(shot.rect(), Qt::transparent);
    }
    const QString path = folder.filePath(name);
    if (shot.save(path)) return std::printf("skinshot: %s\n", qPrintable(path)), true;
    std::fprintf(stderr, "skinshot: cannot write %s\n", qPrintable(path));
    return false;
}

// The state the program sets up on start-up: the slot list where this variant's face has it.
void PlaceSlotList(CSkinDialog& dialog) {
    if (dialog.Variant() == SkinVariant::English)
        dialog.GetDlgItem(kSlotListId)->move(kEnglishSlotListPos);
}

void ChooseKeyboard(CSkinDialog& dialog) {
    ControlOf<QComboBox>(dialog, kKeyboardListId).addItem(QStringLiteral("Orvane Pro"));
    auto& slotList = ControlOf<QComboBox>(dialog, kSlotListId);
    for (int slot = 0; slot < 10; ++slot) slotList.addItem(QStringLiteral("FN+%1").arg(slot));
}

void StartDownload(CSkinDialog& dialog) {
    dialog.GetDlgItem(kSlotListId)->hide();
    auto& progress = ControlOf<QProgressBar>(dialog, kProgressBarId);
    progress.setRange(0, 120);
    progress.setValue(48);
    progress.show();
}

bool Render(const Variant& variant, const QDir& folder) {
    SetUserDefaultLocaleOverride(variant.locale);
    CSkinDialog dialog;
    dialog.show();
    dialog.activateWindow();
    if (!WaitFor([&] { return QApplication::activeWindow() == &dialog; }))
        std::fprintf(stderr, "skinshot: the dialog did not become active; no hover look\n");
    PlaceSlotList(dialog);
    const QString prefix = QString::fromLatin1(variant.name);
    bool ok = Save(dialog, folder, prefix + QStringLiteral("-normal.png"));
    ChooseKeyboard(dialog);
    Hover(dialog, 0);
    ok = Save(dialog, folder, prefix + QStringLiteral("-hover.png")) && ok;
    StartDownload(dialog);
    Hover(dialog, 2);
    return Save(dialog, folder, prefix + QStringLiteral("-download.png")) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("skinshots"));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "skinshot: cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }
    const Variant variants[] = {{"en", QLocale(QLocale::English, QLocale::UnitedStates)},
                                {"zh", QLocale(QLocale::Chinese, QLocale::China)}};
    bool ok = true;
    for (const Variant& variant : variants) ok = Render(variant, folder) && ok;
    return ok ? 0 : 1;
}
