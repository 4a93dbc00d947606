// SPDX-License-Identifier: MIT
#pragma once

#include "gui/progress_window.h"
#include "platform/user_interface.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QDialog;
class QWidget;

namespace korvel::gui {

/// The desktop's answer to the operations' requests: alerts as message boxes, panels as our own
/// file dialogs with the option views inside, the progress window and the summary sheet. Every
/// request may come from the worker thread; it is shown on the GUI thread and answered there.
class QtUserInterface final : public QObject, public UserInterface {
    Q_OBJECT
  public:
    /// Builds the option view of a panel by its name (may answer null).
    using OptionViewFactory = std::function<QWidget*(const std::string& name)>;

    explicit QtUserInterface(QWidget* window);

    void setOptionViewFactory(OptionViewFactory factory) { m_optionViews = std::move(factory); }

    void beep() override;
    int runAlert(const Alert& alert) override;
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanel& panel) override;
    std::optional<std::string> runSavePanel(const SavePanel& panel) override;
    void showSummary(const std::string& title, const std::vector<std::string>& lines) override;
    ProgressReporter& progress() override { return *m_progress; }
    bool openUrl(const std::string& url) override;

    ProgressWindow& progressWindow() { return *m_progress; }

  signals:
    /// Sent on the GUI thread just before a dialog runs, so that a test can answer it.
    void dialogAboutToRun(QDialog* dialog);

  private:
    int execDialog(QDialog& dialog);

    QWidget* m_window;
    QPointer<ProgressWindow> m_progress;
    OptionViewFactory m_optionViews;
};

} // namespace korvel::gui
