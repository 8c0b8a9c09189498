#include "frontend/VxMessageBox.h"

#include "diag/Diag.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <string>

namespace {

constexpr unsigned kButtonsMask = 0xf;
constexpr unsigned kIconMask = 0xf0;

QMessageBox::Icon IconFor(unsigned style) {
    switch (style & kIconMask) {
    case kDiagIconStop:
        return QMessageBox::Critical;
    case kMbIconQuestion:
        return QMessageBox::Question;
    case kMbIconWarning:
        return QMessageBox::Warning;
    case kMbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int VxShowMessageBox(unsigned style, const char* caption, const char* text) {
    // Widgets live on the window thread only. A failure met on another
    // thread (a song opening aside, under the engine's lock, which the
    // window thread may be waiting for) cannot wait for an answer: the box
    // is handed to the window thread, shown once the open has returned and
    // the deck tells the failure, and counts as answered with OK.
    QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && QThread::currentThread() != application->thread()) {
        QMetaObject::invokeMethod(
            application,
            [style, caption = std::string(caption), text = std::string(text)] {
                VxShowMessageBox(style, caption.c_str(), text.c_str());
            },
            Qt::QueuedConnection);
        return kDiagIdOk;
    }
    const bool withCancel = (style & kButtonsMask) == kMbOkCancel;
    QMessageBox box(IconFor(style), QString::fromUtf8(caption), QString::fromUtf8(text),
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    // Task-modal: the box blocks the whole player, not one window.
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Ok ? kDiagIdOk : kIdCancel;
}

void VxInstallMessageBoxHandler() {
    DiagSetMessageBoxHandler(VxShowMessageBox);
}
