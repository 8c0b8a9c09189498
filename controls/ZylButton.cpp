#include "controls/ZylButton.h"

#include "controls/ZylImageList.h"

#include <QTimer>

#include <algorithm>
#include <utility>

std::vector<int> ZylBuildStatusSequence(int from, int to, bool pingPong) {
    const int lo = std::min(from, to), hi = std::max(from, to);
    const int step = from <= to ? 1 : -1;
    const int first = from <= to ? lo : hi, last = from <= to ? hi : lo;
    std::vector<int> statuses;
    for (int s = first; int(statuses.size()) < TZylButton::kMaxSequence; s += step) {
        statuses.push_back(s);
        if (s == last) {
            break;
        }
    }
    // Ping-pong walks back without repeating either end.
    for (int s = last - step;
         pingPong && s > lo && s < hi && int(statuses.size()) < TZylButton::kMaxSequence;
         s -= step) {
        statuses.push_back(s);
    }
    return statuses;
}

TZylButton::TZylButton(QWidget* parent) : TZylControl(parent) {
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { SequenceTick(); });
    SetInitialSize(72, 72);
    SetAutoSize(true);
}

TZylButton::~TZylButton() {
    m_timer->stop();
    m_timer->disconnect();
}

void TZylButton::ShowCell() {
    SetImageIndex(2 * m_status + (m_downLook ? 1 : 0));
}

void TZylButton::SetNumStatus(int count) {
    count = std::max(count, 1);
    if (count == m_numStatus) {
        return;
    }
    m_numStatus = count;
    if (m_status >= count) {
        m_status = count - 1;
    }
    ShowCell();
}

void TZylButton::SetStatus(int status) {
    status = std::clamp(status, 0, m_numStatus - 1);
    StopSequence();
    if (status != m_status) {
        m_status = status;
        ShowCell();
    }
}

void TZylButton::ImageChanged() {
    SetNumStatus(GetImages() ? int(GetImages()->GetCount() / 2) : 0);
}

void TZylButton::Loaded() {
    TZylControl::Loaded();
    ShowCell();
}

void TZylButton::StartSequence(int count, int interval, const int* statuses) {
    if (count < 2 || !statuses) {
        return;
    }
    count = std::min(count, kMaxSequence);
    std::copy(statuses, statuses + count, m_sequence.begin());
    SetStatus(m_sequence[0]);
    m_sequencePosition = 1;
    m_sequenceLength = count;
    m_timer->setInterval(std::max(interval, 1)); // 0 would spin the window's thread
    m_timer->start();
}

void TZylButton::StartSequence(int from, int to, int interval, bool pingPong) {
    const std::vector<int> statuses = ZylBuildStatusSequence(from, to, pingPong);
    StartSequence(int(statuses.size()), interval, statuses.data());
}

void TZylButton::StopSequence() {
    m_timer->stop();
}

bool TZylButton::GetSequenceRunning() const {
    return m_timer->isActive();
}

void TZylButton::SequenceTick() {
    if (m_sequenceLength == 0) {
        return;
    }
    // Statuses of a sequence are shown as given; a missing cell shows the
    // strip's last one.
    m_status = m_sequence[m_sequencePosition];
    m_sequencePosition = (m_sequencePosition + 1) % m_sequenceLength;
    ShowCell();
}

void TZylButton::LeftPress(TZylShiftState shift, int x, int y) {
    TZylControl::MouseDown(mbLeft, shift, x, y);
    m_pressed = true;
    m_downLook = true;
    ShowCell();
}

void TZylButton::LeftRelease(TZylShiftState shift, int x, int y) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    m_downLook = false;
    ShowCell();
    if (!m_mouseUpAsClick) {
        TZylControl::MouseUp(mbLeft, shift, x, y);
    } else if (wasPressed && rect().contains(x, y)) {
        TZylControl::MouseUp(mbLeft, shift, x, y);
    }
}

void TZylButton::MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    if (button != mbLeft) {
        TZylControl::MouseDown(button, shift, x, y);
    } else if (m_held) {
        m_pressIgnored = true;
    } else {
        LeftPress(shift, x, y);
    }
}

void TZylButton::MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    if (button != mbLeft) {
        TZylControl::MouseUp(button, shift, x, y);
    } else if (!std::exchange(m_pressIgnored, false) && !m_held) {
        LeftRelease(shift, x, y);
    }
}

void TZylButton::Click() {
    // The toolkit's click comes before the release that ends its press.
    if (!m_held && !m_pressIgnored) {
        TZylControl::Click();
    }
}

void TZylButton::MouseLeave() {
    if (m_pressed && !m_held) {
        m_downLook = false;
        ShowCell();
    }
    TZylControl::MouseLeave();
}

void TZylButton::MouseEnter() {
    TZylControl::MouseEnter();
    if (m_pressed && !m_held) {
        m_downLook = true;
        ShowCell();
    }
}

void TZylButton::ManualHold(bool silent) {
    if (m_held || m_pressed) {
        return;
    }
    m_silentHold = silent;
    TZylMouseEvent onMouseDown = silent ? std::exchange(OnMouseDown, nullptr) : nullptr;
    LeftPress(0, 0, 0);
    if (silent) {
        OnMouseDown = std::move(onMouseDown);
    }
    m_held = true;
}

void TZylButton::ManualRelease() {
    if (!m_held) {
        return;
    }
    m_held = false;
    TZylNotifyEvent onClick = m_silentHold ? std::exchange(OnClick, nullptr) : nullptr;
    TZylMouseEvent onMouseUp = m_silentHold ? std::exchange(OnMouseUp, nullptr) : nullptr;
    TZylControl::Click();
    LeftRelease(0, 0, 0);
    if (m_silentHold) {
        OnClick = std::move(onClick);
        OnMouseUp = std::move(onMouseUp);
    }
}
