#pragma once
// TfmMain, Kestrune's main window: the banner across the top, the grid of
// stored servers with the remarks of the selected one below it, and on the
// right the buttons and options for everything the operator does.
//
// It owns what the status monitor shares with it (the status table, the
// monitor's own query, the grid) and stops the monitor before any of them
// goes away.

#include "app/ufmBase.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "launch/Launch.h"
#include "status/StatusTable.h"
#include "status/uStatusThread.h"

#include <atomic>
#include <memory>

class QCheckBox;
class QGroupBox;
class QFrame;
class QPushButton;
class QWebEngineView;

namespace kestrune {

class DataGrid;
class DbMemo;
class RadioGroup;
struct GridColumn;

// The program's own folder with its trailing separator, and the temporary
// connection file in it; set when the main window is created.
extern QString AppDir;
extern QString RdpFile;
// The status table, owned by the main window.
extern StatusTable *StatusList;

// The server key of a query's current row: IP and PORT as "%s:%d", a null
// PORT as 0. Serves the monitor's query and the list alike.
QString ServerKey(db::Query &query);

class TfmMain : public TfmBase, private StatusMonitorHost {
    Q_OBJECT
public:
    explicit TfmMain(QWidget *parent = nullptr);
    ~TfmMain() override;

    QWebEngineView *WebBrowser1;
    QFrame *Panel3;
    QPushButton *btnMMSZ;
    QPushButton *btnAdd;
    QPushButton *btnEdit;
    QPushButton *btnDelete;
    QPushButton *btnConnect;
    RadioGroup *rgLoginOption;
    RadioGroup *rgFBL;
    QCheckBox *chkReconnect;
    QFrame *Panel4;
    QGroupBox *GroupBox2;
    DbMemo *DBMemo1;
    QGroupBox *GroupBox1;
    DataGrid *dgMain;

    db::Query qMain;
    db::DataSource dsMain;
    db::Query qServers;

    void FormCreate();
    void FormShow();
    void FormDestroy();

    void btnMMSZClick();
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnConnectClick();
    void qMainNewRecord(db::Query &dataSet);
    void dgMainDrawColumnCell(QPainter &painter, const QRect &rect, const GridColumn &column);

    // The item text of rgFBL's current item as two integers either side of
    // its first "*".
    void ParseResolution(int &width, int &height);

    // Stops the status monitor and waits for it; the window calls it itself
    // when it closes.
    void stopStatusMonitor();
    bool statusMonitorRunning() const { return monitor_ != nullptr; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void startStatusMonitor(StatusProbe probe);

    // What the status monitor asks of the window (on its own thread).
    std::vector<ServerAddress> readServers() override;
    StatusTable &statusList() override { return *kestrune::StatusList; }
    void repaintGrid() override;

    bool shown_ = false;
    std::atomic<bool> repaintPending_{false};
    std::unique_ptr<TStatusThread> monitor_;

public:
    // Tests give the monitor a probe of their own before the window is
    // shown; Kestrune probes with PingHost.
    StatusProbe statusProbe = defaultStatusProbe();
    // How "连接" starts the client and waits; tests record instead.
    launch::LaunchHooks launchHooks;
};

extern TfmMain *fmMain;

} // namespace kestrune
