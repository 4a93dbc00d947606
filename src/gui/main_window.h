// SPDX-License-Identifier: MIT
#pragma once

#include "app/batch_add_tc_command.h"
#include "app/preferences_sheet_model.h"
#include "app/toolbar_model.h"
#include "platform/console.h"
#include "platform/file_attributes.h"

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QToolBar;

namespace korvel::viewer_qt {
class ViewerWidget;
} // namespace korvel::viewer_qt

namespace korvel {
class KTLogController;
class PreferenceStore;
} // namespace korvel

namespace korvel::gui {

class CommandRunner;
class DocumentWindow;
class LogWindow;
class PreferenceControls;
class QtUserInterface;

/// The main window: the viewer area, the customisable toolbar, the menus, and every command.
/// Commands that work on files run on a worker thread; the others stay disabled meanwhile.
class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(PreferenceStore& store, KTLogController& log, const std::string& homeDirectory);
    ~MainWindow() override;

    QtUserInterface& userInterface() { return *m_ui; }
    QAction* action(Command command) const { return m_actions.at(command); }
    QAction* customizeAction() const { return m_customize; }
    QToolBar* toolbar() const { return m_toolbar; }
    viewer_qt::ViewerWidget& viewer() { return *m_viewer; }
    LogWindow& logWindow() { return *m_logWindow; }
    PreferenceControls& preferenceControls() { return *m_controls; }
    CommandRunner& runner() { return *m_runner; }

    /// A file named on the command line, dropped on the window or chosen with "Open...".
    void openFile(const QString& path);
    /// Runs a command as its toolbar item or menu item does.
    void runCommand(Command command);
    /// The toolbar's items, in order; saved in the store.
    void setToolbarItems(const std::vector<std::string>& identifiers);
    const std::vector<std::string>& toolbarItems() const { return m_toolbarItems; }
    /// The open movie, for the enabling rule of the toolbar (the viewer reports it).
    void setOpenMovieState(const OpenMovieState& movie);

  signals:
    /// A file to open in the viewer.
    void fileOpenRequested(const QString& path);
    /// "Add TC", "Delete TC" or "Close" asked of the open movie.
    void movieCommandRequested(korvel::Command command);
    void closeMovieRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createActions();
    QAction* addCommandAction(Command command, const QString& menuTitle);
    void createMenus();
    void rebuildToolbar();
    void validateActions();
    void customizeToolbar();
    void openPreferences();
    void showHelp();
    void showReleaseNotes();
    void chooseFileToOpen();
    void runOnWorker(std::function<void()> work);
    void restoreGeometryFromStore();
    void connectViewer();

    PreferenceStore& m_store;
    KTLogController& m_log;
    std::string m_homeDirectory;
    StandardErrorConsole m_console;
    ExtendedAttributeFileAttributes m_fileAttributes;
    PreferencesSheetModel m_model;
    QtUserInterface* m_ui;
    std::unique_ptr<BatchAddTcCommand> m_batchAddTc;
    PreferenceControls* m_controls;
    viewer_qt::ViewerWidget* m_viewer;
    LogWindow* m_logWindow;
    DocumentWindow* m_helpWindow = nullptr;
    CommandRunner* m_runner;
    QToolBar* m_toolbar;
    QAction* m_customize = nullptr;
    QAction* m_open = nullptr;
    QAction* m_close = nullptr;
    QAction* m_releaseNotes = nullptr;
    QAction* m_homePage = nullptr;
    std::map<Command, QAction*> m_actions;
    std::vector<std::string> m_toolbarItems;
    OpenMovieState m_movie;
    bool m_quitWhenDone = false;
};

} // namespace korvel::gui
