// The options dialog's Controllers page: where the mapping files live and
// the way into learn. It holds no setting of its own.
#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

class TCfgControllersPage : public QWidget {
public:
    // learn runs when the user asks to learn a controller.
    explicit TCfgControllersPage(std::function<void()> learn);

    QPushButton* btnLearn = nullptr;
};
