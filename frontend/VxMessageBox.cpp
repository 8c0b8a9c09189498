#include "frontend/VxMessageBox.h"

#include "diag/Diag.h"

#include <QMessageBox>

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
