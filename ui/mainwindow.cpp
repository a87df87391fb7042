#include "mainwindow.h"
#include "segyfileio.h"
#include "samplecodec.h"
#include "decoders.h"
#include <QActionGroup>
#include "positioningimport.h"

#include "aboutdialog.h"
#include "fileguard.h"
#include "filesummary.h"
#include "headertablemodels.h"
#include "reprojection.h"
#include "reprojectcoordinatesdialog.h"
#include "segy.h"
#include "textcards.h"
#include "textcodec.h"
#include "textheaderedit.h"
#include "traceheadereditdialog.h"
#include "traceheaderssortdialog.h"
#include "tracesort.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Sections of the header tables keep one size: nothing is measured per row,
// which keeps a table of a million traces as quick as one of ten.
void fixRowHeights(QTableView* view)
{
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 6);
}

QFont fixedFont(int pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        // No desktop theme to name one: ask the font matcher instead.
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
    }
    font.setPointSize(pointSize);
    return font;
}

// What tells one state of a file on disk from another: which file the path
// names, its size and when it was last written. Empty when there is none.
QString diskState(const QString& path)
{
    const FileIdentity identity = FileIdentity::ofPath(path);
    if (!identity.isValid())
        return QString();
    return QStringLiteral("%1:%2:%3:%4")
        .arg(identity.device)
        .arg(identity.inode)
        .arg(identity.size)
        .arg(QFileInfo(path).lastModified().toMSecsSinceEpoch());
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      m_segy(new SEGY(nullptr, nullptr)),
      m_traceHeaderList(new TraceHeaderList)
{
    Q_INIT_RESOURCE(trevalon);
    ui->setupUi(this);

    ui->textHeaderEdit->setFont(fixedFont(8));
    // Room for the summary beside a whole card of the textual header when
    // the screen has it; the form's size otherwise.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize() * 0.9;
        resize(qBound(width(), room.width(), 1180), qBound(height(), room.height(), 720));
    }
    ui->gridLayout->setColumnStretch(1, 1);
    ui->horizontalLayout_3->setStretch(1, 1);
    const QString paneStyle = QStringLiteral("QTextEdit { background-color: %0 }")
                                  .arg(palette().color(QPalette::Window).name(QColor::HexRgb));
    for (QTextEdit* pane : {ui->summaryTextEdit, ui->errorLogTextEdit}) {
        pane->setFont(fixedFont(9));
        pane->setStyleSheet(paneStyle);
    }
    ui->tabWidget->setEnabled(false);

    // File browser: SEG-Y files and every directory, ".." to climb.
    auto* files = new QFileSystemModel(this);
    files->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot);
    files->setNameFilters({QStringLiteral("*.segy"), QStringLiteral("*.sgy"), QStringLiteral("*.seg"),
                           QStringLiteral("*.SEGY"), QStringLiteral("*.SGY"), QStringLiteral("*.SEG")});
    files->setNameFilterDisables(false);
    ui->dirBrowserListView->setModel(files);
    setBrowserRoot(QStandardPaths::standardLocations(QStandardPaths::HomeLocation).value(0));
    // Whole names: the folders shown are small enough to measure every row.
    ui->dirBrowserListView->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui->dirBrowserListView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    ui->dirBrowserListView->hideColumn(2);
    ui->dirBrowserListView->hideColumn(3);
    ui->splitter->setStretchFactor(1, 1);

    connect(ui->textHeaderEdit, &TextHeaderEdit::edited, this, &MainWindow::onPendingModification);

    // The views drop the headers before the file object releases them: on a
    // load, a close or a clear, whichever comes first.
    connect(m_segy, &SEGY::headersReleasing, this, &MainWindow::releaseHeaders);

    ui->binaryHeaderTableView->setSortingEnabled(false);
    fixRowHeights(ui->binaryHeaderTableView);
    m_binaryModel = new SEGYBinaryHeaderTableModel(m_segy, this);
    ui->binaryHeaderTableView->setModel(m_binaryModel);
    connect(m_binaryModel, &QAbstractItemModel::dataChanged, this, &MainWindow::onPendingModification);

    ui->traceHeadersTableView->setSortingEnabled(false);
    fixRowHeights(ui->traceHeadersTableView);
    m_traceHeaderList->loadFrom(m_segy);
    m_traceModel = new SEGYTraceHeadersTableModel(m_traceHeaderList, 0, this);
    ui->traceHeadersTableView->setModel(m_traceModel);
    connect(m_traceModel, &QAbstractItemModel::dataChanged, this, &MainWindow::onPendingModification);
    m_horizontalTraceView = true;
    // Operations that rewrite many headers announce themselves; the table
    // is reset around them.
    connect(m_segy, &SEGY::editStarted, this, [this]() {
        if (!m_editResetOpen) {
            m_editResetOpen = true;
            m_traceModel->beginReset();
        }
    });
    connect(m_segy, &SEGY::editCompleted, this, &MainWindow::closeEditReset);

    ui->selectedHeadersTableView->setSortingEnabled(false);
    m_selectionModel = new TraceHeaderSelectionTableModel(this);
    m_filterModel = new TraceHeadersFilterModel(this);
    m_filterModel->setSourceModel(m_selectionModel);
    ui->selectedHeadersTableView->setModel(m_filterModel);
    // The field list is never narrower than a common description such as
    // "[73-76] - Source coordinate - X."; longer ones wrap onto rows that
    // grow (the list has one row per field, few enough to measure).
    QTableView* fields = ui->selectedHeadersTableView;
    fields->setWordWrap(true);
    fields->horizontalHeader()->setStretchLastSection(true);
    fields->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    fields->setMinimumWidth(fields->sizeHintForIndex(m_filterModel->index(21, 0)).width()
                            + fields->verticalScrollBar()->sizeHint().width() + 2 * fields->frameWidth() + 4);
    connect(ui->traceHeaderFilterLineEdit, &QLineEdit::textChanged, m_filterModel,
            &QSortFilterProxyModel::setFilterFixedString);
    connect(m_selectionModel, &QAbstractItemModel::dataChanged, this, &MainWindow::onSelectedTraceHeadersChanged);

    m_editDialog = new TraceHeaderEditDialog(this);
    m_sortDialog = new TraceHeadersSortDialog(this);
    connect(m_editDialog, &QDialog::accepted, this, &MainWindow::onTraceHeaderEditAccepted);
    connect(m_sortDialog, &QDialog::accepted, this, &MainWindow::onTraceSortDialogAccepted);

    m_progressBar = new QProgressBar;
    m_progressBar->setMinimumWidth(100);
    m_progressBar->setMaximumWidth(200);
    m_progressBar->setRange(0, 100);
    m_progressBar->reset();
    m_progressBar->hide();
    ui->statusBar->addWidget(m_progressBar);

    connect(m_segy, &SEGY::loadStarted, this, &MainWindow::onProgressBarStart);
    connect(m_segy, &SEGY::saveStarted, this, &MainWindow::onProgressBarStart);
    connect(m_segy, &SEGY::editStarted, this, &MainWindow::onProgressBarStart);
    connect(m_segy, &SEGY::loadProgress, this, &MainWindow::onProgressBarUpdate);
    connect(m_segy, &SEGY::saveProgress, this, &MainWindow::onProgressBarUpdate);
    connect(m_segy, &SEGY::editProgress, this, &MainWindow::onProgressBarUpdate);
    connect(m_segy, &SEGY::loadCompleted, this, &MainWindow::onProgressBarStop);
    connect(m_segy, &SEGY::saveCompleted, this, &MainWindow::onProgressBarStop);
    connect(m_segy, &SEGY::editCompleted, this, &MainWindow::onProgressBarStop);
    connect(m_segy, &SEGY::errorMessage, this, &MainWindow::onFileIOError);
    connect(m_segy, &SEGY::loadCompleted, this, &MainWindow::onSetupUiAfterFileLoading);

    // The reason Save is disabled shows in the menu as on the tool bar.
    ui->menuFile->setToolTipsVisible(true);

    // Changes other programs make to the loaded file. Its folder is watched
    // too: a file replaced by a rename, or deleted and written again, is
    // no longer the one the watcher followed.
    m_watcher = new QFileSystemWatcher(this);
    m_watchDelay = new QTimer(this);
    m_watchDelay->setSingleShot(true);
    m_watchDelay->setInterval(150);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_watchDelay, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_watchDelay, qOverload<>(&QTimer::start));
    connect(m_watchDelay, &QTimer::timeout, this, &MainWindow::onWatchedFileChanged);

    m_pendingModification = false;
    setAcceptDrops(true);
    setupUndo();
    setupMapTab();
    setupFieldLayoutMenu();
    setupReopenMenu();
}

// ---------------------------------------------------------------- reading overrides

void MainWindow::setupReopenMenu()
{
    // Three choices, each "as the file says" or the user's word; picking one
    // reads the file again that way. Nothing is written to it.
    QMenu* reopen = new QMenu(tr("&Reopen as"), this);
    reopen->setObjectName(QStringLiteral("menuReopen_as"));
    reopen->setToolTipsVisible(true);
    ui->menuFile->insertMenu(ui->menuImport->menuAction(), reopen);
    auto addGroup = [this, reopen](const QString& title, const QList<QPair<QString, int>>& choices) {
        QMenu* menu = reopen->addMenu(title);
        auto* group = new QActionGroup(menu);
        for (const auto& choice : choices) {
            QAction* action = menu->addAction(choice.first);
            action->setCheckable(true);
            action->setData(choice.second);
            action->setChecked(choice.second == 0);
            group->addAction(action);
        }
        connect(group, &QActionGroup::triggered, this, &MainWindow::reopenWithOverrides);
        return group;
    };
    const QString asFile = tr("As the file says");
    m_byteOrderChoice = addGroup(tr("Byte order"), {{asFile, 0}, {tr("Big-endian"), 1}, {tr("Little-endian"), 2}});
    QList<QPair<QString, int>> formats{{asFile, 0}};
    const SEGYSampleFormatDecoder decoder(fieldIndex(BinaryField::FormatCode));
    for (auto it = decoder.map().cbegin(); it != decoder.map().cend(); ++it)
        if (bytesPerSampleForFormat(it.key()) > 0)
            formats.append({QStringLiteral("%1 - %2").arg(it.key()).arg(it.value()), it.key()});
    m_formatChoice = addGroup(tr("Sample format"), formats);
    m_textChoice = addGroup(tr("Textual headers"), {{asFile, 0}, {tr("EBCDIC"), 1}, {tr("ASCII"), 2}});
}

void MainWindow::reopenWithOverrides()
{
    auto chosen = [](QActionGroup* group) { return group->checkedAction() ? group->checkedAction()->data().toInt() : 0; };
    ReadingOverrides overrides;
    overrides.byteOrder = ReadingOverrides::Order(chosen(m_byteOrderChoice));
    overrides.formatCode = chosen(m_formatChoice);
    overrides.textEncoding = ReadingOverrides::Text(chosen(m_textChoice));
    m_segy->setReadingOverrides(overrides);
    if (!m_currentFileName.isEmpty() && m_segy->isLoaded() && confirmDiscard())
        loadFile(m_currentFileName);
}

// ---------------------------------------------------------------- field layout

namespace {
const char* const LayoutSettingsKey = "fieldLayout/file";
}

void MainWindow::setupFieldLayoutMenu()
{
    auto* load = new QAction(tr("Load field &layout..."), this);
    load->setObjectName(QStringLiteral("actionLoad_field_layout"));
    load->setToolTip(tr("Show the custom header fields a layout file (JSON) names."));
    auto* clear = new QAction(tr("Standard fields only"), this);
    clear->setObjectName(QStringLiteral("actionClear_field_layout"));
    // After Save as, before the import and export menus.
    QAction* before = ui->menuImport->menuAction();
    ui->menuFile->insertSeparator(before);
    ui->menuFile->insertAction(before, load);
    ui->menuFile->insertAction(before, clear);
    connect(load, &QAction::triggered, this, [this]() {
        const QString name = QFileDialog::getOpenFileName(this, tr("Load field layout"),
                                                          QSettings().value(LayoutSettingsKey).toString(),
                                                          tr("Layout files (*.json);;All files (*)"));
        if (!name.isEmpty())
            loadFieldLayout(name);
    });
    connect(clear, &QAction::triggered, this, &MainWindow::clearFieldLayout);
    const QString remembered = QSettings().value(LayoutSettingsKey).toString();
    FieldLayout layout;
    QString error;
    if (!remembered.isEmpty() && layout.load(remembered, &error))
        showFieldLayout(layout);
}

bool MainWindow::loadFieldLayout(const QString& fileName)
{
    FieldLayout layout;
    QString error;
    if (!layout.load(fileName, &error)) {
        onFileIOError(error);
        QMessageBox::warning(this, tr("Load field layout"), error);
        return false;
    }
    QSettings().setValue(LayoutSettingsKey, QFileInfo(fileName).absoluteFilePath());
    showFieldLayout(layout);
    return true;
}

void MainWindow::clearFieldLayout()
{
    QSettings().remove(LayoutSettingsKey);
    showFieldLayout(FieldLayout());
}

void MainWindow::showFieldLayout(const FieldLayout& layout)
{
    m_segy->setFieldLayout(layout);
    showExtraFields();
}

void MainWindow::showExtraFields()
{
    const QList<FieldDescription> traceFields = m_segy->extraFields(HeaderBlock::Trace);
    m_selectionModel->setCustomFields(traceFields);
    m_sortDialog->setCustomFields(traceFields);
    resetTraceTable([this, &traceFields]() { m_traceModel->setCustomFields(traceFields); });
    m_binaryModel->beginReset();
    m_binaryModel->endReset();
}

MainWindow::~MainWindow()
{
    for (QThread* trigger : qAsConst(m_triggers)) {
        trigger->disconnect(this);
        trigger->quit();
        trigger->wait();
        delete trigger;
    }
    // The file object goes first, while the trace list it announces its
    // release to still exists; the window no longer listens.
    m_segy->disconnect(this);
    m_segy->setChangeRecorder({});
    delete m_segy;
    delete m_traceHeaderList;
    delete m_progressBar;
    delete ui;
}

// ---------------------------------------------------------------- file lifecycle

void MainWindow::runTriggered(const std::function<void()>& operation)
{
    auto* trigger = new QThread;
    m_triggers.append(trigger);
    // The window keeps its own thread: started() arrives as a queued call and
    // the operation runs on the GUI thread, after the current handler.
    connect(trigger, &QThread::started, this, [this, trigger, operation]() {
        operation();
        trigger->quit();
        emit operationFinished();
    });
    connect(trigger, &QThread::finished, this, [this, trigger]() {
        m_triggers.removeOne(trigger);
        trigger->wait();
        trigger->deleteLater();
    });
    trigger->start(QThread::InheritPriority);
}

void MainWindow::loadFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    m_progressBar->show();
    m_currentFileName = fileName;
    m_errorLog.clear();
    runTriggered([this, fileName]() {
        // The device changes only now, so an operation queued earlier still
        // works on the file whose headers it holds.
        m_segy->setDevice(new QFile(fileName));
        m_loading = true;
        m_loadFailureShown = false;
        const bool loaded = m_segy->open();
        m_loading = false;
        if (!loaded)
            onLoadingFailed();
    });
}

void MainWindow::onFileIOError(QString message)
{
    m_errorLog += message + QStringLiteral("<br>");
    // A load shows its messages when it ends; anything else shows at once.
    if (!m_loading)
        updateErrorLogPane();
}

void MainWindow::onPendingModification()
{
    m_pendingModification = true;
}

void MainWindow::resetPendingModification()
{
    m_pendingModification = false;
}

void MainWindow::releaseHeaders()
{
    m_traceModel->beginReset();
    m_traceHeaderList->clear();
    m_traceModel->endReset();
    m_binaryModel->beginReset();
    m_binaryModel->endReset();
}

void MainWindow::onLoadingFailed()
{
    if (m_loadFailureShown)
        return;
    m_loadFailureShown = true;
    const QString reason = loadFailureReason(m_currentFileName);
    ui->textHeaderEdit->clear();
    ui->summaryTextEdit->clear();
    updateErrorLogPane();
    setWindowTitle(tr("Trevalon"));
    m_currentFileName.clear();
    ui->tabWidget->setCurrentIndex(0);
    ui->tabWidget->setEnabled(false);
    releaseHeaders();
    setFileActionsEnabled(false);
    watchFile(QString());
    m_progressBar->reset();
    m_progressBar->hide();
    // Whatever a failed load left behind is released.
    m_segy->close();
    updateSaveAction();
    m_pendingModification = false;
    m_history.clear();
    updateUndoActions();
    showWholeTitleBox(QMessageBox::Critical, tr("Error loading file!"), reason);
}

QString MainWindow::loadFailureReason(const QString& fileName) const
{
    const QFileInfo file(fileName);
    if (!file.exists())
        return tr("No such file: %1").arg(fileName);
    if (!file.isReadable())
        return tr("Permission denied: %1").arg(fileName);
    QString why = m_segy->lastError();
    if (why.isEmpty())
        why = QString(m_errorLog).replace(QStringLiteral("<br>"), QStringLiteral(" ")).trimmed();
    return tr("%1 is not a SEG-Y file: %2").arg(fileName, why);
}

void MainWindow::showWholeTitleBox(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    // A short text would make the box, and with it the title bar, too narrow
    // for the title and the title bar's own buttons.
    const int titleWidth = QFontMetrics(QApplication::font("QWorkspaceTitleBar")).horizontalAdvance(title) + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                      1, grid->columnCount());
    box.exec();
}

void MainWindow::onSetupUiAfterFileLoading()
{
    const QByteArray text = m_segy->textHeader();
    m_textHeaderStoredAsEbcdic = !m_segy->readsTextAsAscii(text);
    showTextHeader(m_textHeaderStoredAsEbcdic);
    ui->tabWidget->setEnabled(true);
    // Extension 1's fields come and go with the file.
    const QList<FieldDescription> traceFields = m_segy->extraFields(HeaderBlock::Trace);
    m_selectionModel->setCustomFields(traceFields);
    m_sortDialog->setCustomFields(traceFields);
    resetTraceTable([this, &traceFields]() {
        m_traceModel->setCustomFields(traceFields);
        m_traceHeaderList->loadFrom(m_segy);
    });
    setWindowTitle(tr("Trevalon - %1").arg(m_currentFileName));
    updateSummary();
    m_binaryModel->beginReset();
    m_binaryModel->endReset();
    fitHeaderColumns(ui->binaryHeaderTableView, 900);
    setFileActionsEnabled(true);
    updateSaveAction();
    watchFile(m_currentFileName);
    m_pendingModification = false;
    m_history.clear();
    updateUndoActions();
}

void MainWindow::setFileActionsEnabled(bool enabled)
{
    for (QAction* action : {ui->actionSave, ui->actionSave_as, ui->actionImport_positioning_data,
                            ui->actionReproject_coordinates, ui->actionTrace_sort})
        action->setEnabled(enabled);
    ui->menuImport->setEnabled(enabled);
    ui->menuExport->setEnabled(enabled);
}

void MainWindow::updateSaveAction()
{
    const TraceLayout& layout = m_segy->layout();
    const bool certain = !m_segy->isLoaded() || layout.isCertain();
    ui->actionSave->setEnabled(m_segy->isLoaded() && certain);
    // None of its own when Save can be used: the menu then shows no tip.
    ui->actionSave->setToolTip(certain ? QString()
                                       : tr("Error: the trace layout of %1 is not certain (%2); saving in place "
                                            "could write into sample data. Save as a new file instead.")
                                             .arg(m_currentFileName, layout.uncertainty()));
}

void MainWindow::watchFile(const QString& fileName)
{
    m_watchDelay->stop();
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_diskState.clear();
    if (fileName.isEmpty())
        return;
    m_watcher->addPath(QFileInfo(fileName).absolutePath());
    recordDiskState();
}

void MainWindow::recordDiskState()
{
    if (m_currentFileName.isEmpty())
        return;
    // A save as onto the file replaces it by a rename: follow the new one.
    if (!m_watcher->files().contains(m_currentFileName) && QFileInfo::exists(m_currentFileName))
        m_watcher->addPath(m_currentFileName);
    m_diskState = diskState(m_currentFileName);
}

void MainWindow::onWatchedFileChanged()
{
    if (m_currentFileName.isEmpty() || m_askingReload)
        return;
    if (!m_watcher->files().contains(m_currentFileName) && QFileInfo::exists(m_currentFileName))
        m_watcher->addPath(m_currentFileName);
    const QString now = diskState(m_currentFileName);
    // Gone (nothing to reload yet), or as the window left it.
    if (now.isEmpty() || now == m_diskState)
        return;
    // Asked once per change: a No keeps the window as it is, and a later
    // save in place is refused with the reason.
    m_diskState = now;
    QString text = tr("%1 was changed on disk by another program. Reload it?").arg(m_currentFileName);
    if (m_pendingModification)
        text += QLatin1Char(' ') + tr("Unsaved changes in the window are lost.");
    m_askingReload = true;
    const auto answer = QMessageBox::question(this, tr("File changed on disk"), text,
                                              QMessageBox::Yes | QMessageBox::No,
                                              m_pendingModification ? QMessageBox::No : QMessageBox::Yes);
    m_askingReload = false;
    if (answer == QMessageBox::Yes)
        loadFile(m_currentFileName);
}

void MainWindow::updateSummary()
{
    const FileSummary summary = fileSummary(*m_segy);
    ui->summaryTextEdit->setHtml(tr("<b>File:</b> %1 <br>"
                                    "<b>Sample format:</b> %2 <br>"
                                    "<b>Sample interval:</b> %3 ms <br>"
                                    "<b>Sampling freq.:</b> %4 <br>"
                                    "<b>Trace count:</b> %5 <br>"
                                    "<b>Samples count:</b> %6 <br>"
                                    "<b>Extended text headers:</b> %7 <br>"
                                    "<b>Byte order:</b> %8")
                                     .arg(m_currentFileName.toHtmlEscaped(), summary.sampleFormat,
                                          summary.sampleIntervalMilliseconds(), summary.samplingFrequency,
                                          QString::number(summary.traceCount), QString::number(summary.samplesCount),
                                          QString::number(summary.extendedTextHeaders), summary.byteOrder())
                                 + (summary.revision2.isEmpty()
                                        ? QString()
                                        : tr("<br><b>Revision:</b> %1 <br><b>Trace header extensions:</b> %2 <br>"
                                             "<b>Trailer stanzas:</b> %3")
                                              .arg(summary.revision2,
                                                   summary.traceHeaderExtensions.join(QStringLiteral(", ")).toHtmlEscaped(),
                                                   QString::number(summary.trailerStanzas))));
    updateErrorLogPane();
}

void MainWindow::updateErrorLogPane()
{
    if (!m_errorLog.isEmpty())
        ui->errorLogTextEdit->setHtml(QStringLiteral("<font color='#FF0000'>%0</font>").arg(m_errorLog));
    else
        ui->errorLogTextEdit->setHtml(QStringLiteral("<font color='#008800'>%0</font>").arg(tr("No error detected.")));
}

bool MainWindow::discardConfirmed()
{
    return QMessageBox::question(this, tr("Pending changes"),
                                 tr("There are some pending modifications.\nDo you want to close this file anyway?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

bool MainWindow::confirmDiscard()
{
    // On No the current file stays with its changes still pending, so that
    // they can be saved and a later close still asks.
    return !m_pendingModification || discardConfirmed();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Refused while the user keeps the changes; the flag stays as it is.
    if (!m_pendingModification || discardConfirmed())
        event->accept();
    else
        event->ignore();
}

void MainWindow::reportSaveFailure(const QString& fileName, int logBefore)
{
    QString text = tr("Error saving file.") + QLatin1Char('\n') + fileName;
    // The file object's own reason, when it has one; the log gets it too
    // unless the save already put it there.
    const QString reason = m_segy->lastError();
    if (!reason.isEmpty() && reason != tr("Error saving file.")) {
        text += QLatin1Char('\n') + reason;
        if (!m_errorLog.mid(logBefore).contains(reason))
            onFileIOError(reason);
    }
    QMessageBox::critical(this, tr("Error"), text, QMessageBox::Ok);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (!confirmDiscard())
        return;
    const QList<QUrl> urls = event->mimeData() ? event->mimeData()->urls() : QList<QUrl>();
    if (!urls.isEmpty())
        loadFile(urls.first().toLocalFile());
}

void MainWindow::on_actionOpen_triggered()
{
    if (!confirmDiscard())
        return;
    loadFile(QFileDialog::getOpenFileName(this, tr("Open"),
                                          QStandardPaths::standardLocations(QStandardPaths::HomeLocation).value(0),
                                          tr("SEGY (*.sgy *.segy*)")));
}

void MainWindow::on_actionSave_triggered()
{
    if (!m_pendingModification) {
        QMessageBox::warning(this, tr("Info"), tr("No changes to save."), QMessageBox::Ok);
        return;
    }
    if (QMessageBox::warning(this, tr("Warning!"), tr("This file will be overwritten."),
                             QMessageBox::Cancel | QMessageBox::Ok)
        != QMessageBox::Ok)
        return;
    storeTextHeader();
    runTriggered([this]() {
        const int logBefore = m_errorLog.size();
        const bool saved = m_segy->save();
        // What the save wrote is no change by another program.
        recordDiskState();
        // The flag is cleared only once the file holds the changes.
        if (saved) {
            resetPendingModification();
            m_history.setClean();
        }
        else
            reportSaveFailure(m_currentFileName, logBefore);
    });
}

void MainWindow::on_actionSave_as_triggered()
{
    runTriggered([this]() { onsaveAs_Worker(); });
}

void MainWindow::onsaveAs_Worker()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save"), QString(), tr("SEGY (*.sgy *.segy)"));
    if (fileName.isEmpty())
        return;
    storeTextHeader();
    // Written beside the destination and renamed into place when complete,
    // so even the file being edited can be the destination.
    QFile destination(fileName);
    const int logBefore = m_errorLog.size();
    const bool saved = m_segy->save(&destination);
    recordDiskState();
    if (!saved)
        reportSaveFailure(fileName, logBefore);
}

// ---------------------------------------------------------------- textual header

void MainWindow::showTextHeader(bool ebcdic)
{
    // The cards as the file holds them, as the command line's dump prints them.
    const int position = ui->textHeaderEdit->textCursor().position();
    ui->textHeaderEdit->setCards(textHeaderCards(m_segy->textHeader(), !ebcdic));
    m_textHeaderShown = ui->textHeaderEdit->toPlainText();
    m_textHeaderEncodingSwitched = false;
    ui->ebcdicRadioButton->setChecked(ebcdic);
    ui->asciiRadioButton->setChecked(!ebcdic);
    QTextCursor cursor = ui->textHeaderEdit->textCursor();
    cursor.setPosition(qMin(position, m_textHeaderShown.size()));
    ui->textHeaderEdit->setTextCursor(cursor);
}

void MainWindow::storeTextHeader()
{
    const bool ebcdic = ui->ebcdicRadioButton->isChecked();
    if (ui->textHeaderEdit->toPlainText() == m_textHeaderShown && !m_textHeaderEncodingSwitched)
        return;
    m_segy->setTextHeader(TextHeaderEdit::headerBytes(ui->textHeaderEdit->cards(), ebcdic));
    m_textHeaderStoredAsEbcdic = ebcdic;
    showTextHeader(ebcdic);
}

void MainWindow::chooseTextHeaderEncoding(bool ebcdic)
{
    // Locked, the choice only reads the stored bytes another way; unlocked,
    // it is how the next save writes the header.
    if (!ui->editTextHeaderButton->isChecked()) {
        showTextHeader(ebcdic);
        return;
    }
    m_textHeaderEncodingSwitched = ebcdic != m_textHeaderStoredAsEbcdic;
    if (m_textHeaderEncodingSwitched)
        onPendingModification();
}

void MainWindow::on_ebcdicRadioButton_clicked()
{
    chooseTextHeaderEncoding(true);
}

void MainWindow::on_asciiRadioButton_clicked()
{
    chooseTextHeaderEncoding(false);
}

void MainWindow::on_editTextHeaderButton_toggled(bool checked)
{
    ui->textHeaderEdit->setReadOnly(!checked);
    ui->editTextHeaderButton->setText(checked ? tr("Edit unlocked") : tr("Edit locked"));
}

// ---------------------------------------------------------------- progress

void MainWindow::onProgressBarStart()
{
    m_progressBar->reset();
    m_progressBar->show();
}

void MainWindow::onProgressBarUpdate(int val)
{
    m_progressBar->setValue(val);
}

void MainWindow::onProgressBarStop()
{
    m_progressBar->hide();
}

// ---------------------------------------------------------------- trace view

void MainWindow::resetTraceView()
{
    ui->traceHeadersTableView->reset();
}

void MainWindow::on_binHeaderRawDisplayCheckBox_clicked(bool checked)
{
    m_binaryModel->beginReset();
    m_binaryModel->setRawDisplay(!checked);
    m_binaryModel->endReset();
    fitHeaderColumns(ui->binaryHeaderTableView, 900);
}

void MainWindow::on_traceHeaderRawDisplayCheckBox_clicked(bool checked)
{
    resetTraceTable([this, checked]() { m_traceModel->setRawDisplay(!checked); });
}

void MainWindow::closeEditReset()
{
    if (m_editResetOpen) {
        m_editResetOpen = false;
        m_traceModel->endReset();
        onSelectedTraceHeadersChanged();
    }
}

void MainWindow::resetTraceTable(const std::function<void()>& change)
{
    QTableView* view = ui->traceHeadersTableView;
    const bool traceRows = m_traceModel->mode() == 0;
    const int firstTrace = qMax(0, traceRows ? view->rowAt(0) : view->columnAt(0));
    m_traceModel->beginReset();
    change();
    m_traceModel->endReset();
    resetTraceView();
    fitHeaderColumns(view);
    onSelectedTraceHeadersChanged();
    // The trace that was first in view stays first, in either orientation.
    if (firstTrace > 0 && firstTrace < m_traceModel->traceCount()) {
        view->doItemsLayout();
        const bool nowRows = m_traceModel->mode() == 0;
        QScrollBar* bar = nowRows ? view->verticalScrollBar() : view->horizontalScrollBar();
        const bool perItem = (nowRows ? view->verticalScrollMode() : view->horizontalScrollMode())
                             == QAbstractItemView::ScrollPerItem;
        bar->setValue(perItem ? firstTrace
                              : (nowRows ? view->rowViewportPosition(firstTrace) - view->rowViewportPosition(0)
                                         : view->columnViewportPosition(firstTrace) - view->columnViewportPosition(0)));
    }
}

void MainWindow::onSelectedTraceHeadersChanged()
{
    // Only field sections are ever hidden, so showing "every" trace section
    // touches at most as many as there are fields.
    QTableView* view = ui->traceHeadersTableView;
    QHeaderView* fields = m_traceModel->mode() == 1 ? view->verticalHeader() : view->horizontalHeader();
    QHeaderView* traces = m_traceModel->mode() == 1 ? view->horizontalHeader() : view->verticalHeader();
    const int traceSections = qMin(traces->count(), m_traceModel->fieldCount());
    for (int i = 0; i < traceSections; ++i)
        traces->setSectionHidden(i, false);
    const int fieldSections = qMin(fields->count(), m_traceModel->fieldCount());
    for (int i = 0; i < fieldSections; ++i)
        fields->setSectionHidden(i, !m_selectionModel->isChecked(i));
}

void MainWindow::on_checkAllPushButton_clicked()
{
    m_selectionModel->setAllChecked(true);
    ui->selectedHeadersTableView->reset();
    onSelectedTraceHeadersChanged();
}

void MainWindow::on_uncheckAllPushButton_clicked()
{
    m_selectionModel->setAllChecked(false);
    ui->selectedHeadersTableView->reset();
    onSelectedTraceHeadersChanged();
}

void MainWindow::on_traceHeaderSwitchModeButton_clicked()
{
    const bool toColumns = m_horizontalTraceView;
    ui->traceHeaderSwitchModeButton->setToolTip(toColumns ? QStringLiteral("Switch to horizontal view")
                                                          : QStringLiteral("Switch to vertical view"));
    ui->traceHeaderSwitchModeButton->setChecked(toColumns);
    m_horizontalTraceView = !m_horizontalTraceView;
    resetTraceTable([this, toColumns]() { m_traceModel->setMode(toColumns ? 1 : 0); });
}

void MainWindow::on_traceHeadersTableView_clicked(const QModelIndex& index)
{
    m_lastTraceCell = index;
    const int field = m_traceModel->fieldOf(index);
    if (field >= 0 && field < TraceHeaderFieldCount)
        ui->traceHeaderDescriptionLabel->setText(traceHeaderLabels().at(field) + QLatin1Char(' ')
                                                 + traceHeaderDescriptions().at(field));
    else if (field >= TraceHeaderFieldCount)
        ui->traceHeaderDescriptionLabel->setText(
            m_traceModel->headerData(field, m_traceModel->mode() == 0 ? Qt::Horizontal : Qt::Vertical).toString()
            + QLatin1Char(' ')
            + m_traceModel->headerData(field, m_traceModel->mode() == 0 ? Qt::Horizontal : Qt::Vertical, Qt::ToolTipRole)
                  .toString());
}

void MainWindow::on_traceHeadersTableView_doubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_lastTraceCell = index;
    const int traces = m_segy->traceCount();
    const int field = m_traceModel->fieldOf(index);
    const QList<FieldDescription> custom = m_segy->fieldLayout().fields(HeaderBlock::Trace);
    const bool isCustom = field >= TraceHeaderFieldCount && field - TraceHeaderFieldCount < custom.size();
    m_editDialog->setValueType(isCustom ? &custom.at(field - TraceHeaderFieldCount).type : nullptr);
    m_editDialog->setValue(isCustom ? index.data(Qt::EditRole).toString()
                                    : QString::number(index.data(RawValueRole).toInt()));
    m_editDialog->setApplyToAllTraces(false);
    m_editDialog->setStartRange(1, 1, traces);
    m_editDialog->setEndRange(traces, 1, traces);
    m_editDialog->show();
}

void MainWindow::onTraceHeaderEditAccepted()
{
    const QVariant value(m_editDialog->value());
    bool stored = false;
    if (!m_editDialog->applyToAllTraces()) {
        stored = m_traceModel->setData(m_lastTraceCell, value, Qt::EditRole);
    } else if (m_lastTraceCell.isValid()) {
        // Positions are 1-based and follow the table's current order; the
        // whole range is one change.
        const int field = m_traceModel->fieldOf(m_lastTraceCell);
        const int traces = m_editDialog->endTrace() - m_editDialog->startTrace() + 1;
        const QString name = traces == 1 ? tr("Edit %1 on 1 trace").arg(traceHeaderLabels().value(field))
                                         : tr("Edit %1 on %2 traces")
                                               .arg(traceHeaderLabels().value(field),
                                                    QLocale(QLocale::English).toString(traces));
        runStep(name, [&]() {
            stored = m_traceModel->setRangeValue(*m_segy, field, m_editDialog->startTrace() - 1,
                                                 m_editDialog->endTrace() - 1, value)
                     > 0;
        });
    }
    if (!stored)
        QMessageBox::warning(this, tr("Warning!"), tr("This value is not valid for this field."), QMessageBox::Ok);
}

void MainWindow::on_actionTrace_sort_triggered()
{
    m_sortDialog->show();
    m_sortDialog->raise();
    m_sortDialog->activateWindow();
}

void MainWindow::onTraceSortDialogAccepted()
{
    const QList<TraceHeaderSortKey>* keys = m_sortDialog->sortKeys();
    if (!keys || keys->isEmpty() || !m_traceHeaderList)
        return;
    // The display order only: the file is not modified.
    const QList<TraceHeaderSortKey> copy = *keys;
    resetTraceTable([this, &copy]() { m_traceHeaderList->sort(copy); });
}

// ---------------------------------------------------------------- trace headers as text

QString MainWindow::askTextFile(bool save)
{
    const QString filter = tr("ASCII data file (*.csv *.txt *.dat)");
    QString folder = m_textFileFolder;
    if (folder.isEmpty() && !save)
        folder = QStandardPaths::standardLocations(QStandardPaths::HomeLocation).value(0);
    const QString name = save ? QFileDialog::getSaveFileName(this, tr("Export trace headers"), folder, filter)
                              : QFileDialog::getOpenFileName(this, tr("Import trace headers"), folder, filter);
    if (!name.isEmpty())
        m_textFileFolder = QFileInfo(name).absolutePath();
    return name;
}

void MainWindow::on_actionTrace_headers_to_ASCII_data_file_triggered()
{
    const QString name = askTextFile(true);
    if (name.isEmpty())
        return;
    if (m_segy->isLoaded() && m_segy->exportTraceHeadersToASCIIFile(name, QStringLiteral(", ")))
        return;
    QMessageBox::critical(this, tr("Error"), tr("Could not write headers data to file\n\r") + name, QMessageBox::Ok);
}

void MainWindow::on_actionTrace_headers_from_ASCII_data_file_triggered()
{
    const QString name = askTextFile(false);
    if (name.isEmpty())
        return;
    bool imported = false;
    if (m_segy->isLoaded()) {
        // Modified only when some header took a value; what the import
        // refused reached the error log through the file object, and is
        // shown again when it left traces as they were.
        bool changed = false;
        qint64 changedTraces = 0;
        QStringList messages;
        const QMetaObject::Connection watch =
            connect(m_segy, &SEGY::headersChanged, this, [&](const ApplyResult& result) {
                changed = true;
                changedTraces += result.changedTraces;
            });
        const QMetaObject::Connection report =
            connect(m_segy, &SEGY::errorMessage, this, [&messages](const QString& message) { messages << message; });
        runStep(tr("Import trace headers"), [&]() {
            resetTraceTable([this, &name, &imported]() {
                imported = m_segy->importTraceHeadersFromASCIIFile(name, QStringLiteral(", "));
            });
        });
        disconnect(watch);
        disconnect(report);
        if (imported && changed)
            onPendingModification();
        const qint64 unchanged = m_segy->traceCount() - changedTraces;
        if (imported && unchanged > 0 && !messages.isEmpty()) {
            messages.prepend(tr("%1 trace(s) were left unchanged.").arg(unchanged));
            QMessageBox::warning(this, tr("Warning"), messages.join(QLatin1Char('\n')), QMessageBox::Ok);
        }
    }
    if (!imported)
        QMessageBox::critical(this, tr("Error"), tr("Could not load headers data from file\n\r") + name,
                              QMessageBox::Ok);
}

// ---------------------------------------------------------------- reprojection

void MainWindow::on_actionReproject_coordinates_triggered()
{
    auto* dialog = new ReprojectCoordinatesDialog(this);
    m_reprojectDialog = dialog;
    connect(dialog, &QDialog::accepted, this, &MainWindow::onReprojectCoordinates);
    dialog->exec();
    // Released after use, accepted or not; its accepted() has returned by now.
    m_reprojectDialog = nullptr;
    delete dialog;
}

void MainWindow::onReprojectCoordinates()
{
    if (!m_reprojectDialog)
        return;
    ReprojectionReport report;
    // The bar follows the working out of the new values, then their storing.
    onProgressBarStart();
    int result = 0;
    runStep(tr("Reproject coordinates"), [&]() {
        result = reprojectTraceCoordinates(m_segy, m_reprojectDialog->inputEpsg(), m_reprojectDialog->outputEpsg(),
                                           m_reprojectDialog->inputText(), m_reprojectDialog->outputText(), &report,
                                           [this](int percent) { onProgressBarUpdate(percent); });
    });
    closeEditReset();
    onProgressBarStop();
    if (result != 0) {
        // Nothing changed: every trace keeps its coordinates when any fails.
        // The report counts the traces that failed and gives the first
        // reason; a run that could not start left all of them unchanged.
        QString text = tr("An error occurred while projecting positioning data.");
        if (report.failedTraces > 0)
            text += QLatin1Char('\n') + report.text();
        else if (!report.error.isEmpty())
            text += QLatin1Char('\n') + tr("%1 trace(s) were left unchanged.").arg(m_segy->traceCount())
                    + QLatin1Char('\n') + report.error;
        else
            text += QLatin1Char('\n') + tr("%1 of %2 traces were left unchanged.").arg(m_segy->traceCount()).arg(m_segy->traceCount());
        QMessageBox::warning(this, tr("Warning"), text, QMessageBox::Ok);
        return;
    }
    onPendingModification();
}

void MainWindow::on_actionImport_positioning_data_triggered()
{
    if (!m_segy->isLoaded())
        return;
    const QString name = QFileDialog::getOpenFileName(this, tr("Import positioning data"), QDir::homePath(),
                                                      tr("ASCII data file (*.csv *.txt *.dat *.log)"));
    if (name.isEmpty())
        return;
    // The import announces its edit: the trace table resets around it.
    PositioningImportOutcome outcome;
    runStep(tr("Import positions"), [&]() { outcome = runPositioningImport(m_segy, name, this); });
    closeEditReset();
    onProgressBarStop();
    if (outcome.accepted)
        m_positioningMapping = outcome.mapping;
    if (outcome.changed)
        onPendingModification();
    if (!outcome.message.isEmpty())
        onFileIOError(outcome.message);
}

// ---------------------------------------------------------------- browser, help, about

void MainWindow::setBrowserRoot(const QString& path)
{
    auto* files = static_cast<QFileSystemModel*>(ui->dirBrowserListView->model());
    ui->dirBrowserListView->setRootIndex(files->setRootPath(path));
    // The whole path, broken after any separator when the pane is narrow.
    const QString shown = QDir::toNativeSeparators(QDir(path).absolutePath());
    ui->dirBrowserPathLabel->setText(QString(shown).replace(QDir::separator(), QString(QDir::separator()) + QChar(0x200B)));
    ui->dirBrowserPathLabel->setToolTip(shown);
}

void MainWindow::on_openDirToolButton_clicked()
{
    const QString directory = QFileDialog::getExistingDirectory(this, tr("Open Folder"), QString(),
                                                                QFileDialog::ShowDirsOnly);
    if (!directory.isEmpty() && QFileInfo(directory).isDir())
        setBrowserRoot(directory);
}

void MainWindow::on_dirBrowserListView_doubleClicked(const QModelIndex& index)
{
    auto* files = static_cast<QFileSystemModel*>(ui->dirBrowserListView->model());
    const QFileInfo entry(files->filePath(index));
    if (entry.isDir()) {
        setBrowserRoot(entry.absoluteFilePath());
        return;
    }
    const QString suffix = entry.suffix().toLower();
    if (suffix != QLatin1String("sgy") && suffix != QLatin1String("segy"))
        return;
    if (confirmDiscard())
        loadFile(entry.absoluteFilePath());
}

void MainWindow::on_actionAbout_triggered()
{
    auto* about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void MainWindow::on_action_Exit_triggered()
{
    close();
}

void MainWindow::on_action_Help_triggered()
{
    const QString manual = QCoreApplication::applicationDirPath() + QStringLiteral("/manual.pdf");
    if (QFile::exists(manual)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
        return;
    }
    // No manual installed: a short guide of our own.
    auto* help = new QDialog(this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setObjectName(QStringLiteral("helpDialog"));
    help->setWindowTitle(tr("Help"));
    help->resize(560, 460);
    auto* layout = new QVBoxLayout(help);
    auto* text = new QTextBrowser(help);
    text->setOpenExternalLinks(false);
    text->setHtml(tr(
        "<h3>Trevalon</h3>"
        "<p>Open a SEG-Y file with <b>File &gt; Open</b>, a double click in the file browser on the left, or by "
        "dropping it onto the window.</p>"
        "<p><b>General info</b> shows a summary of the file, the messages of the last load (the error log) and the "
        "textual header. Choose EBCDIC or ASCII to read the header bytes either way; <i>Edit locked</i> unlocks the "
        "header for editing, and the choice of EBCDIC or ASCII then sets how the next save writes it.</p>"
        "<p><b>Binary header</b> lists the 30 fields of the binary file header; <b>Trace headers</b> lists the 91 "
        "fields of every trace. Untick <i>Show human readable values</i> to see the stored numbers. Decoded values "
        "are blue when they are standard and red when they are not.</p>"
        "<p>To change a value, select a cell and start typing (or press F2) in either table. In the trace table a "
        "double click opens a dialog that can also apply the value to a range of traces. The field list on the "
        "left of the trace table chooses the fields shown, and the button at the top right shows traces as rows "
        "or as columns. <b>Tools &gt; Trace sort</b> orders the traces shown (not the file).</p>"
        "<p><b>File &gt; Save</b> writes the headers back into the file in place; the samples are not touched. "
        "<b>Save as</b> writes a complete new file. <b>File &gt; Export</b> and <b>Import</b> exchange all trace "
        "headers with a CSV file; <b>Tools &gt; Reproject coordinates</b> moves the source, receiver and CDP "
        "coordinates between reference systems.</p>"
        "<p>The same operations run without a window from the command line: <tt>trevalon --help</tt> lists "
        "them, and <tt>trevalon FILE info</tt> prints the summary of a file.</p>"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, help);
    connect(buttons, &QDialogButtonBox::rejected, help, &QDialog::close);
    layout->addWidget(buttons);
    help->show();
}

// ---------------------------------------------------------------- undo and redo

void MainWindow::setupUndo()
{
    auto* menu = new QMenu(tr("&Edit"), this);
    menu->setObjectName(QStringLiteral("menuEdit"));
    menuBar()->insertMenu(ui->menuTools->menuAction(), menu);
    m_undoAction = menu->addAction(tr("Undo"), this, &MainWindow::undo);
    m_undoAction->setObjectName(QStringLiteral("actionUndo"));
    m_undoAction->setShortcuts(QKeySequence::Undo);
    m_redoAction = menu->addAction(tr("Redo"), this, &MainWindow::redo);
    m_redoAction->setObjectName(QStringLiteral("actionRedo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence shiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    redoKeys.removeAll(shiftZ);
    redoKeys.prepend(shiftZ);
    m_redoAction->setShortcuts(redoKeys);
    // A textual header typed into the box becomes a step before any other.
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::storeTextHeader);
    m_segy->setChangeRecorder([this](const HeaderChanges& inverse) { onHeaderValuesStored(inverse); });
    updateUndoActions();
}

void MainWindow::runStep(const QString& name, const std::function<void()>& command)
{
    storeTextHeader();
    m_inStep = true;
    m_stepInverses.clear();
    command();
    m_inStep = false;
    // Put back in the reverse order of the stores, so the earliest value of
    // a field stored twice is the one that stays.
    HeaderChanges inverse;
    for (auto it = m_stepInverses.crbegin(); it != m_stepInverses.crend(); ++it) {
        for (const HeaderChanges::BinaryValue& value : it->binaryValues())
            inverse.setBinaryValue(value.field, value.value);
        inverse.reserve(inverse.traceValues().size() + it->traceValues().size());
        for (const HeaderChanges::TraceValue& value : it->traceValues())
            inverse.setTraceValue(value.trace, value.field, value.value);
        if (it->textHeader())
            inverse.setTextHeader(*it->textHeader());
    }
    m_stepInverses.clear();
    if (!inverse.isEmpty())
        recordStep(name, inverse);
}

void MainWindow::onHeaderValuesStored(const HeaderChanges& inverse)
{
    if (m_replaying)
        return;
    if (m_inStep) {
        m_stepInverses.append(inverse);
        return;
    }
    QString name = tr("Edit textual header");
    if (!inverse.binaryValues().empty())
        name = tr("Edit %1").arg(binaryHeaderLabels().value(inverse.binaryValues().front().field));
    else if (!inverse.traceValues().empty())
        name = tr("Edit %1 on trace %2")
                   .arg(traceHeaderLabels().value(inverse.traceValues().front().field),
                        QLocale(QLocale::English).toString(inverse.traceValues().front().trace + 1));
    recordStep(name, inverse);
}

void MainWindow::recordStep(const QString& name, const HeaderChanges& inverse)
{
    if (m_history.record(name, ChangeHistory::currentValues(*m_segy, inverse), inverse) > 0)
        onFileIOError(tr("The oldest undo steps were dropped to keep the history under %1.")
                          .arg(ChangeHistory::sizeText(m_history.budget())));
    updateUndoActions();
}

void MainWindow::undo()
{
    replayStep(true);
}

void MainWindow::redo()
{
    replayStep(false);
}

void MainWindow::replayStep(bool undo)
{
    storeTextHeader();
    m_replaying = true;
    const ApplyResult result = undo ? m_history.undo(*m_segy) : m_history.redo(*m_segy);
    m_replaying = false;
    closeEditReset();
    if (result.textChanged)
        showTextHeader(m_textHeaderStoredAsEbcdic);
    if (result.binaryChanged) {
        m_binaryModel->beginReset();
        m_binaryModel->endReset();
        updateSummary();
    }
    if (!result.ok && !result.error.isEmpty())
        onFileIOError(result.error);
    // Back at the saved state nothing is pending.
    m_pendingModification = !m_history.isClean();
    updateUndoActions();
}

void MainWindow::updateUndoActions()
{
    if (!m_undoAction)
        return;
    m_undoAction->setEnabled(m_history.canUndo());
    m_undoAction->setText(m_history.canUndo() ? tr("Undo %1").arg(m_history.undoText()) : tr("Undo"));
    m_redoAction->setEnabled(m_history.canRedo());
    m_redoAction->setText(m_history.canRedo() ? tr("Redo %1").arg(m_history.redoText()) : tr("Redo"));
}
