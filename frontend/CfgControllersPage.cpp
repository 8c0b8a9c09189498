#include "frontend/CfgControllersPage.h"

#include "frontend/VxMidiControl.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TCfgControllersPage::TCfgControllersPage(std::function<void()> learn) {
    setObjectName(QStringLiteral("PageControllers"));
    auto* folder =
        new QLabel(QStringLiteral("Controller mappings are read from\n%1\nwhen the player starts.")
                       .arg(QString::fromStdString(TVxMidiControl::Folder())));
    folder->setWordWrap(true);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* how = new QLabel(QStringLiteral(
        "To learn: click a control on the deck, then move the controller's button, fader, knob or "
        "jog wheel (a jog wheel one whole turn). Hold a learned button while learning to make a "
        "shift layer. Ctrl+L, or the same button again, ends learning."));
    how->setWordWrap(true);
    btnLearn = new QPushButton(QStringLiteral("Learn a controller"));
    btnLearn->setObjectName(QStringLiteral("btnLearn"));
    connect(btnLearn, &QPushButton::clicked, this, [learn = std::move(learn)] { learn(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folder);
    layout->addWidget(how);
    layout->addWidget(btnLearn);
    layout->addStretch();
}
