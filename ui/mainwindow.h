#pragma once

#include "changehistory.h"

#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QMap>
#include <QModelIndex>
#include <QString>
#include <functional>

namespace Ui {
class MainWindow;
}

class MapTab;
class QAction;
class QFileSystemWatcher;
class QProgressBar;
class QThread;
class QTimer;
class ReprojectCoordinatesDialog;
class FieldLayout;
class QActionGroup;
class SEGY;
class SEGYBinaryHeaderTableModel;
class SEGYTraceHeadersTableModel;
class TraceHeaderEditDialog;
class TraceHeaderList;
class TraceHeaderSelectionTableModel;
class TraceHeadersFilterModel;
class TraceHeadersSortDialog;

// The windowed front end: a file browser, the summary, error log and textual
// header, and the binary and trace header tables of one SEG-Y file. Owns one
// file object for its whole life and re-uses it for every file.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts loading a file; an empty name does nothing. The load runs from
    // the event loop once this returns; operationFinished() follows it.
    void loadFile(const QString& fileName);

    SEGY* segy() const { return m_segy; }
    QString currentFileName() const { return m_currentFileName; }
    QString errorLog() const { return m_errorLog; }
    bool hasPendingModification() const { return m_pendingModification; }
    TraceHeaderList* traceHeaderList() const { return m_traceHeaderList; }
    // The undo steps of the file shown.
    ChangeHistory& history() { return m_history; }
    MapTab* mapTab() const { return m_mapTab; }
    // Reads a layout file and shows its fields in the field list and the
    // tables; remembered for the next start. False, with the reason in the
    // error log and a message box, when it is refused.
    bool loadFieldLayout(const QString& fileName);
    // Back to the standard fields alone.
    void clearFieldLayout();

signals:
    // A load, save or save as started from the window has ended, whatever
    // its result.
    void operationFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void onFileIOError(QString message);
    void onPendingModification();
    void resetPendingModification();
    void onLoadingFailed();
    void onSetupUiAfterFileLoading();
    void onsaveAs_Worker();
    void onProgressBarStart();
    void onProgressBarUpdate(int val);
    void onProgressBarStop();
    void onSelectedTraceHeadersChanged();
    void on_traceHeadersTableView_clicked(const QModelIndex& index);
    void onTraceHeaderEditAccepted();
    void onTraceSortDialogAccepted();

    void on_actionOpen_triggered();
    void on_actionSave_triggered();
    void on_actionSave_as_triggered();
    void on_ebcdicRadioButton_clicked();
    void on_asciiRadioButton_clicked();
    void on_editTextHeaderButton_toggled(bool checked);
    void on_traceHeaderSwitchModeButton_clicked();
    void on_traceHeadersTableView_doubleClicked(const QModelIndex& index);
    void on_actionTrace_headers_to_ASCII_data_file_triggered();
    void on_actionTrace_headers_from_ASCII_data_file_triggered();
    void on_checkAllPushButton_clicked();
    void on_uncheckAllPushButton_clicked();

    void on_dirBrowserListView_doubleClicked(const QModelIndex& index);
    void on_openDirToolButton_clicked();
    void on_actionAbout_triggered();
    void on_action_Exit_triggered();
    void on_actionReproject_coordinates_triggered();
    void onReprojectCoordinates();
    void on_actionImport_positioning_data_triggered();
    void on_action_Help_triggered();
    void on_binHeaderRawDisplayCheckBox_clicked(bool checked);
    void on_traceHeaderRawDisplayCheckBox_clicked(bool checked);
    void on_actionTrace_sort_triggered();
    void undo();
    void redo();

private:
    void setupFieldLayoutMenu();
    void setupReopenMenu();
    // Reads the file shown again with the byte order, format and textual
    // header encoding chosen in the Reopen as menu.
    void reopenWithOverrides();
    void showFieldLayout(const FieldLayout& layout);
    // The fields after the standard ones (a file's revision 2 fields, the
    // layout's) into the field list, the tables and the sort dialog.
    void showExtraFields();

    // Runs an operation from the event loop through a trigger thread, once
    // the handler that asks for it has returned.
    void runTriggered(const std::function<void()>& operation);
    // True when the user may replace the file shown (asks when changes are pending).
    bool confirmDiscard();
    bool discardConfirmed();
    // logBefore: the error log's length when the save started.
    void reportSaveFailure(const QString& fileName, int logBefore);
    void setFileActionsEnabled(bool enabled);
    // Save in place only for a file whose every byte the loaded layout
    // accounts for; the tool tip says why not.
    void updateSaveAction();
    // Watches the loaded file (none: nothing) and remembers its state on
    // disk, so that only other programs' changes count as changes.
    void watchFile(const QString& fileName);
    void recordDiskState();
    void onWatchedFileChanged();
    void setBrowserRoot(const QString& path);
    void updateSummary();
    void updateErrorLogPane();
    void showTextHeader(bool ebcdic);
    // Stores the textual header from the edit box when its text or encoding
    // was changed; an unchanged header keeps its bytes exactly.
    void storeTextHeader();
    void chooseTextHeaderEncoding(bool ebcdic);
    // Why a file could not be loaded, for the user.
    QString loadFailureReason(const QString& fileName) const;
    // A message box at least as wide as its title needs.
    void showWholeTitleBox(QMessageBox::Icon icon, const QString& title, const QString& text);
    // Resets the trace table around a change of its content or shape,
    // keeping the fields hidden and the first trace in view.
    void resetTraceTable(const std::function<void()>& change);
    void resetTraceView();
    void releaseHeaders();
    // Ends a reset an edit of the file object opened and did not close.
    void closeEditReset();
    // Asks for a trace header text file; remembers the folder for next time.
    QString askTextFile(bool save);

    // The Map tab beside the trace headers; a trace clicked there is
    // selected in the trace table, traces selected in the table are ringed
    // on the map (mainwindowmap.cpp).
    void setupMapTab();
    void selectTraceInTable(int trace);
    void showTableSelectionOnMap();

    // Undo and redo: the Edit menu, and one step per user command.
    void setupUndo();
    // Runs a command; what it stores becomes one step with this name.
    void runStep(const QString& name, const std::function<void()>& command);
    // What the file object stored outside a command is a step of its own.
    void onHeaderValuesStored(const HeaderChanges& inverse);
    void recordStep(const QString& name, const HeaderChanges& inverse);
    void replayStep(bool undo);
    void updateUndoActions();

    Ui::MainWindow* ui;
    QModelIndex m_lastTraceCell;
    QString m_currentFileName;
    QString m_errorLog;
    SEGY* m_segy;
    TraceHeaderList* m_traceHeaderList;
    SEGYBinaryHeaderTableModel* m_binaryModel = nullptr;
    SEGYTraceHeadersTableModel* m_traceModel = nullptr;
    TraceHeaderSelectionTableModel* m_selectionModel = nullptr;
    TraceHeadersFilterModel* m_filterModel = nullptr;
    ReprojectCoordinatesDialog* m_reprojectDialog = nullptr;
    TraceHeadersSortDialog* m_sortDialog = nullptr;
    TraceHeaderEditDialog* m_editDialog = nullptr;
    QProgressBar* m_progressBar = nullptr;
    bool m_pendingModification = false;
    bool m_horizontalTraceView = true;
    // The last column mapping of a positioning import, offered again next time.
    QMap<QString, int> m_positioningMapping;

    bool m_loading = false;
    bool m_loadFailureShown = false;
    bool m_editResetOpen = false;
    // What the edit box showed from the stored bytes, and how they were read.
    QString m_textHeaderShown;
    bool m_textHeaderStoredAsEbcdic = true;
    // The encoding was switched while the header was unlocked.
    bool m_textHeaderEncodingSwitched = false;
    QString m_textFileFolder;
    QList<QThread*> m_triggers;
    QFileSystemWatcher* m_watcher = nullptr;
    // Several notices of one change are taken together.
    QTimer* m_watchDelay = nullptr;
    // The watched file as the window last loaded, saved or accepted it.
    QString m_diskState;
    bool m_askingReload = false;

    ChangeHistory m_history;
    MapTab* m_mapTab = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    bool m_replaying = false;
    bool m_inStep = false;
    // What the command running replaced, in the order it was stored.
    QList<HeaderChanges> m_stepInverses;
    QActionGroup* m_byteOrderChoice = nullptr;
    QActionGroup* m_formatChoice = nullptr;
    QActionGroup* m_textChoice = nullptr;
};
