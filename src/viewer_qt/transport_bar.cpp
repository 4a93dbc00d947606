// SPDX-License-Identifier: MIT
#include "viewer_qt/transport_bar.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <limits>

namespace korvel::viewer_qt {

TransportBar::TransportBar(QWidget* parent)
    : QWidget(parent), m_slider(new QSlider(Qt::Horizontal, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        addButton(tr("Go to Start"), QStringLiteral("|◀◀"), [this] { emit goToStartRequested(); }));
    layout->addWidget(
        addButton(tr("Step Backward"), QStringLiteral("|◀"), [this] { emit stepRequested(-1); }));
    m_reverse =
        addButton(tr("Play Reverse"), QStringLiteral("◀"), [this] { emit playReverseRequested(); });
    m_reverse->setObjectName(QStringLiteral("revButton"));
    layout->addWidget(m_reverse);
    layout->addWidget(addButton(tr("Stop"), QStringLiteral("■"), [this] { emit stopRequested(); }));
    m_play = addButton(tr("Play"), QStringLiteral("▶"), [this] { emit playRequested(); });
    m_play->setObjectName(QStringLiteral("playButton"));
    layout->addWidget(m_play);
    layout->addWidget(
        addButton(tr("Step Forward"), QStringLiteral("▶|"), [this] { emit stepRequested(1); }));
    layout->addWidget(
        addButton(tr("Go to End"), QStringLiteral("▶▶|"), [this] { emit goToEndRequested(); }));
    for (QToolButton* playButton : {m_play, m_reverse})
        playButton->setCheckable(true);

    m_slider->setObjectName(QStringLiteral("aTimeSlider"));
    m_slider->setAccessibleName(tr("Time"));
    m_slider->setToolTip(tr("Time"));
    m_slider->setFocusPolicy(Qt::NoFocus);
    m_slider->setRange(0, 0);
    // The position after a drag, a click in the groove or a page step; values set by the
    // player's position do not come through here.
    connect(m_slider, &QAbstractSlider::actionTriggered, this, [this] {
        emit seekRequested(std::int64_t(m_slider->sliderPosition()) * m_unitsPerStep);
    });
    layout->addWidget(m_slider, 1);
}

QToolButton* TransportBar::addButton(const QString& name, const QString& symbol,
                                     std::function<void()> action) {
    auto* button = new QToolButton(this);
    button->setText(symbol);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setFocusPolicy(Qt::NoFocus);
    // The checkable play buttons show the state the viewer reports, not their own toggling.
    connect(button, &QToolButton::clicked, this, [button, action = std::move(action)] {
        if (button->isCheckable())
            button->setChecked(!button->isChecked());
        action();
    });
    return button;
}

QToolButton* TransportBar::button(const QString& name) const {
    for (auto* candidate : findChildren<QToolButton*>())
        if (candidate->accessibleName() == name)
            return candidate;
    return nullptr;
}

void TransportBar::showPosition(std::int64_t value, std::int64_t maximum) {
    const std::int64_t limit = std::numeric_limits<int>::max();
    m_unitsPerStep = maximum > limit ? maximum / limit + 1 : 1;
    const QSignalBlocker quiet(m_slider);
    m_slider->setRange(0, int(maximum / m_unitsPerStep));
    m_slider->setValue(int(value / m_unitsPerStep));
}

void TransportBar::showPlaying(bool forward, bool reverse) {
    m_play->setChecked(forward);
    m_reverse->setChecked(reverse);
}

} // namespace korvel::viewer_qt
