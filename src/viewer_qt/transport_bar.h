// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class QSlider;
class QToolButton;

namespace korvel::viewer_qt {

/// The transport buttons and the time slider. The buttons never take the keyboard focus: the
/// viewer's keys (J, K, L, Space, arrows, Home, End) stay with the viewer.
class TransportBar final : public QWidget {
    Q_OBJECT
  public:
    explicit TransportBar(QWidget* parent);

    QToolButton* button(const QString& name) const;
    QSlider* slider() const { return m_slider; }
    /// Shows the position without asking for a seek.
    void showPosition(std::int64_t value, std::int64_t maximum);
    void showPlaying(bool forward, bool reverse);

  signals:
    void playRequested();
    void playReverseRequested();
    void stopRequested();
    void stepRequested(int direction);
    void goToStartRequested();
    void goToEndRequested();
    /// The person moved the slider to a movie time.
    void seekRequested(std::int64_t movieTime);

  private:
    QToolButton* addButton(const QString& name, const QString& symbol,
                           std::function<void()> action);

    QSlider* m_slider;
    QToolButton* m_play = nullptr;
    QToolButton* m_reverse = nullptr;
    /// Movie time units per slider step: the slider counts in int, a movie in 64 bits.
    std::int64_t m_unitsPerStep = 1;
};

} // namespace korvel::viewer_qt
