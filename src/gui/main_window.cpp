// SPDX-License-Identifier: MIT
#include "gui/main_window.h"

#include "app/bwf2qt_command.h"
#include "app/conversion_commands.h"
#include "app/log_controller.h"
#include "app/preference_keys.h"
#include "app/update_check.h"
#include "gui/command_runner.h"
#include "gui/document_window.h"
#include "gui/log_window.h"
#include "gui/preference_controls.h"
#include "gui/preferences_sheet.h"
#include "gui/qt_user_interface.h"
#include "gui/toolbar_customizer.h"
#include "platform/path_names.h"
#include "platform/preference_store.h"
#include "viewer_qt/viewer_widget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSizePolicy>
#include <QToolBar>
#include <QUrl>

namespace korvel::gui {
namespace {

constexpr auto kHomePageUrl = "https://korvel.tools/";
// The saved frame of the main window, under the name the window has always used.
constexpr std::string_view kWindowFrameKey = "NSWindow Frame Preferences";

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* spacer(bool flexible, QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setAccessibleName(flexible ? QObject::tr("Flexible Space") : QObject::tr("Space"));
    if (flexible) {
        widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    } else {
        widget->setFixedWidth(16);
    }
    return widget;
}

} // namespace

MainWindow::MainWindow(PreferenceStore& store, KTLogController& log,
                       const std::string& homeDirectory)
    : m_store(store), m_log(log), m_homeDirectory(homeDirectory), m_model(store),
      m_ui(new QtUserInterface(this)),
      m_batchAddTc(std::make_unique<BatchAddTcCommand>(*m_ui, store, log,
                                                       timecodeTrackOperations(m_console, *m_ui))),
      m_controls(new PreferenceControls(m_model, this)),
      m_viewer(new viewer_qt::ViewerWidget(
          {*m_ui, store, m_fileAttributes, m_console,
           [&log](std::string_view entry) { log.KTAddLogEntry(entry); }},
          this)),
      m_logWindow(new LogWindow(log, this)), m_runner(new CommandRunner(this)),
      m_toolbar(new QToolBar(tr("Toolbar"), this)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Korvel Tools"));
    setAccessibleName(QStringLiteral("Korvel Tools"));
    setAcceptDrops(true);
    setCentralWidget(m_viewer);
    m_ui->setOptionViewFactory(
        [this](const std::string& name) { return m_controls->createOptionView(name, nullptr); });

    m_model.loadFromStore();
    createActions();
    createMenus();
    m_toolbar->setObjectName(qText(kToolbarIdentifier));
    m_toolbar->setAccessibleName(tr("Toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_toolbar, &QToolBar::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(m_toolbar);
        menu.addAction(m_customize);
        menu.exec(m_toolbar->mapToGlobal(at));
    });
    addToolBar(m_toolbar);
    m_toolbarItems = loadToolbarConfiguration(store);
    rebuildToolbar();
    restoreGeometryFromStore();
    m_viewer->showPlaceholder(qText(store.stringOrEmpty(prefkey::kTVSys)));
    connectViewer();
    connect(m_runner, &CommandRunner::runningChanged, this, [this](bool running) {
        validateActions();
        m_logWindow->setCommandRunning(running);
        if (!running && m_quitWhenDone) {
            close();
        }
    });
    validateActions();
}

MainWindow::~MainWindow() {
    m_runner->wait();
}

void MainWindow::connectViewer() {
    connect(this, &MainWindow::fileOpenRequested, m_viewer, &viewer_qt::ViewerWidget::openPath);
    connect(this, &MainWindow::closeMovieRequested, m_viewer, &viewer_qt::ViewerWidget::closeMovie);
    connect(this, &MainWindow::movieCommandRequested, m_viewer, [this](Command command) {
        if (command == Command::AddTc) {
            m_viewer->runAddTimecodeSheet();
        } else {
            m_viewer->runDeleteTimecodeSheet();
        }
    });
    connect(m_viewer, &viewer_qt::ViewerWidget::movieStateChanged, this,
            [this](bool anyMovieLoaded, bool isTCMovie, bool canAddTC) {
                setOpenMovieState({anyMovieLoaded, isTCMovie, canAddTC});
            });
    m_viewer->setFocus();
}

QAction* MainWindow::addCommandAction(Command command, const QString& menuTitle) {
    const ToolbarItem* item = nullptr;
    for (const ToolbarItem& candidate : korvel::toolbarItems()) {
        if (candidate.command == command) {
            item = &candidate;
        }
    }
    auto* action = new QAction(menuTitle.isEmpty() ? qText(item->label) : menuTitle, this);
    action->setObjectName(qText(item->identifier));
    action->setIconText(qText(item->label));
    action->setToolTip(qText(item->toolTip));
    action->setEnabled(item->initiallyEnabled);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    m_actions[command] = action;
    return action;
}

void MainWindow::createActions() {
    addCommandAction(Command::Preferences, tr("Preferences..."))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    addCommandAction(Command::Ale2fcp, {});
    addCommandAction(Command::Fcp2ale, {});
    addCommandAction(Command::BatchAddTc, {});
    addCommandAction(Command::Bwf2qt, {});
    addCommandAction(Command::AddTc, {});
    addCommandAction(Command::DeleteTc, {});
    addCommandAction(Command::Log, {});
    addCommandAction(Command::Help, {})->setShortcut(QKeySequence(Qt::Key_F1));
    addCommandAction(Command::CheckForUpdate, {});
    m_open = new QAction(tr("Open..."), this);
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_open, &QAction::triggered, this, &MainWindow::chooseFileToOpen);
    m_close = new QAction(tr("Close"), this);
    m_close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_close->setEnabled(false);
    connect(m_close, &QAction::triggered, this, &MainWindow::closeMovieRequested);
    m_releaseNotes = new QAction(tr("Release Notes"), this);
    connect(m_releaseNotes, &QAction::triggered, this, &MainWindow::showReleaseNotes);
    m_homePage = new QAction(tr("Home Page"), this);
    connect(m_homePage, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageUrl))); });
    m_customize = new QAction(tr("Customize Toolbar..."), this);
    connect(m_customize, &QAction::triggered, this, &MainWindow::customizeToolbar);
}

void MainWindow::createMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_open);
    file->addAction(m_close);
    file->addSeparator();
    file->addAction(action(Command::Preferences));
    file->addSeparator();
    QAction* quit = file->addAction(tr("Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu* commands = menuBar()->addMenu(tr("&Commands"));
    for (Command command :
         {Command::Ale2fcp, Command::Fcp2ale, Command::BatchAddTc, Command::Bwf2qt}) {
        commands->addAction(action(command));
    }
    QMenu* movie = menuBar()->addMenu(tr("&Movie"));
    movie->addAction(action(Command::AddTc));
    movie->addAction(action(Command::DeleteTc));
    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(action(Command::Log));
    window->addAction(m_customize);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(action(Command::Help));
    help->addAction(m_releaseNotes);
    help->addAction(m_homePage);
    help->addAction(action(Command::CheckForUpdate));
    for (QMenu* menu : {file, commands, movie, window, help}) {
        menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));
        for (QAction* item : menu->actions()) {
            item->setWhatsThis(item->toolTip());
        }
    }
}

void MainWindow::rebuildToolbar() {
    m_toolbar->clear();
    for (const std::string& identifier : m_toolbarItems) {
        if (identifier == toolbarid::kSeparator) {
            m_toolbar->addSeparator();
        } else if (identifier == toolbarid::kSpace || identifier == toolbarid::kFlexibleSpace) {
            m_toolbar->addWidget(spacer(identifier == toolbarid::kFlexibleSpace, m_toolbar));
        } else if (identifier == toolbarid::kCustomize) {
            m_toolbar->addAction(m_customize);
        } else {
            m_toolbar->addAction(action(toolbarItem(identifier).command));
        }
    }
}

void MainWindow::setToolbarItems(const std::vector<std::string>& identifiers) {
    saveToolbarConfiguration(m_store, identifiers);
    m_toolbarItems = loadToolbarConfiguration(m_store);
    rebuildToolbar();
}

void MainWindow::customizeToolbar() {
    ToolbarCustomizer customizer(m_toolbarItems, this);
    if (customizer.exec() == QDialog::Accepted) {
        setToolbarItems(customizer.identifiers());
    }
}

void MainWindow::setOpenMovieState(const OpenMovieState& movie) {
    m_movie = movie;
    validateActions();
}

void MainWindow::validateActions() {
    const bool busy = m_runner->running();
    for (const auto& [command, commandAction] : m_actions) {
        const bool allowed =
            validateToolbarItem(commandAction->objectName().toStdString(), m_movie);
        // The log and the help stay at hand while a command runs.
        const bool alwaysAvailable = command == Command::Log || command == Command::Help;
        commandAction->setEnabled(allowed && (alwaysAvailable || !busy));
    }
    m_open->setEnabled(!busy);
    m_close->setEnabled(m_movie.anyMovieLoaded && !busy);
    m_customize->setEnabled(!busy);
}

void MainWindow::runOnWorker(std::function<void()> work) {
    if (!m_runner->start(std::move(work))) {
        QApplication::beep();
    }
}

void MainWindow::runCommand(Command command) {
    if (!action(command)->isEnabled()) {
        return;
    }
    switch (command) {
    case Command::Preferences:
        openPreferences();
        break;
    case Command::Log:
        m_logWindow->show();
        m_logWindow->raise();
        m_logWindow->activateWindow();
        break;
    case Command::Help:
        showHelp();
        break;
    case Command::Ale2fcp:
    case Command::Fcp2ale:
        runOnWorker([this, command] {
            ConversionCommandContext context{*m_ui, m_store, m_fileAttributes, m_log, {}, {}};
            static_cast<void>(command == Command::Ale2fcp ? clickale2fcp(context)
                                                          : clickfcp2ale(context));
        });
        break;
    case Command::BatchAddTc:
        runOnWorker([this] { static_cast<void>(m_batchAddTc->clickDoSetTC()); });
        break;
    case Command::Bwf2qt:
        runOnWorker([this] {
            Bwf2qtContext context{*m_ui, m_store, m_fileAttributes, m_log, m_homeDirectory, {}};
            static_cast<void>(clickGotoTC(context));
        });
        break;
    case Command::CheckForUpdate:
        runOnWorker([this] { app::checkForUpdates(*m_ui, app::updateVersionFileUrl()); });
        break;
    case Command::AddTc:
    case Command::DeleteTc:
        emit movieCommandRequested(command);
        break;
    case Command::None:
        break;
    }
}

void MainWindow::openPreferences() {
    m_controls->refresh();
    PreferencesSheet sheet(*m_controls, this);
    sheet.exec();
    // A changed TV system shows its picture at once while no movie is open.
    if (!m_movie.anyMovieLoaded) {
        m_viewer->showPlaceholder(qText(m_store.stringOrEmpty(prefkey::kTVSys)));
    }
}

void MainWindow::showHelp() {
    if (!m_helpWindow) {
        m_helpWindow = new DocumentWindow(DocumentWindow::Kind::Window, tr("Korvel Tools Help"),
                                          QStringLiteral("help/index.html"), this);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
}

void MainWindow::showReleaseNotes() {
    DocumentWindow sheet(DocumentWindow::Kind::Sheet, tr("Release Notes"),
                         QStringLiteral("release-notes.html"), this);
    sheet.exec();
}

void MainWindow::chooseFileToOpen() {
    OpenPanel panel;
    panel.title = tr("Open Movie").toStdString();
    panel.prompt = tr("Open").toStdString();
    panel.allowedExtensions = {"mov", "MOV", "mp4", "MP4", "wav", "WAV", "bwf", "BWF"};
    const std::string last = m_store.stringOrEmpty(prefkey::kLastMovieFile);
    panel.startFolder = folderOf(last);
    if (const auto chosen = m_ui->runOpenPanel(panel); chosen && !chosen->empty()) {
        openFile(QString::fromStdString(chosen->front()));
    }
}

void MainWindow::openFile(const QString& path) {
    if (m_runner->running()) {
        QApplication::beep();
        return;
    }
    m_log.KTAddLogEntry("Opening file: " + path.toStdString());
    emit fileOpenRequested(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            openFile(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
}

void MainWindow::restoreGeometryFromStore() {
    const std::string frame = m_store.stringOrEmpty(kWindowFrameKey);
    if (frame.empty() ||
        !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(frame)))) {
        resize(760, 560);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_runner->running()) {
        // Quitting mid-file would leave the work half done: stop after this file, then quit.
        m_ui->progressWindow().requestCancel();
        m_quitWhenDone = true;
        m_log.KTAddLogEntry("Korvel Tools quits when the running command has stopped.");
        event->ignore();
        return;
    }
    m_store.setString(kWindowFrameKey, saveGeometry().toBase64().toStdString());
    m_store.synchronize();
    event->accept();
}

} // namespace korvel::gui
