#include "servers/ufmMain.h"

#include "app/KestruneApplication.h"
#include "access/udlgLogin.h"
#include "access/udlgMMSZ.h"
#include "app/uPubData.h"
#include "launch/Launch.h"
#include "launch/Resolution.h"
#include "servers/Banner.h"
#include "servers/MainWindowPlacement.h"
#include "servers/ServerFields.h"
#include "servers/ufmFWQXG.h"
#include "status/StatusCell.h"
#include "widgets/DataGrid.h"
#include "widgets/DbMemo.h"
#include "widgets/RadioGroup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace kestrune {

QString AppDir;
QString RdpFile;
StatusTable *StatusList = nullptr;
TfmMain *fmMain = nullptr;

QString ServerKey(db::Query &query) {
    db::Field &ip = query.fieldByName(QStringLiteral("IP"));
    db::Field &port = query.fieldByName(QStringLiteral("PORT"));
    return ServerKey(ip.asString(), port.isNull() ? std::nullopt : std::optional<int>(port.asInteger()));
}

TfmMain::TfmMain(QWidget *parent)
    : TfmBase(parent), qMain(&PubData->Conn, QStringLiteral("qMain")),
      qServers(&PubData->Conn, QStringLiteral("qServers")) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    declareServerListFields(qMain);
    qMain.onNewRecord = [this](db::Query &q) { qMainNewRecord(q); };
    dsMain.setDataSet(&qMain);

    qServers.setSql(QStringLiteral("select IP,PORT from FWQ"));
    qServers.addField({QStringLiteral("IP"), db::FieldKind::Text, 0, QString()});
    qServers.addField({QStringLiteral("PORT"), db::FieldKind::Integer, 0, QString()});

    buildLayout();
    FormCreate();
}

TfmMain::~TfmMain() {
    FormDestroy();
    if (fmMain == this)
        fmMain = nullptr;
}

void TfmMain::buildLayout() {
    // Fixed single border: the operator cannot resize the window.
    setFixedWidth(540);
    setClientSize(540, 635);

    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setFixedHeight(106);
    WebBrowser1->setFocusPolicy(Qt::NoFocus);

    Panel4 = new QFrame(this);
    GroupBox1 = new QGroupBox(QStringLiteral("服务器"), Panel4);
    dgMain = new DataGrid(GroupBox1);
    dgMain->setDataSource(&dsMain);
    dgMain->setColumns({{QStringLiteral("IP"), QStringLiteral("IP地址"), 114},
                        {QStringLiteral("PORT"), QStringLiteral("端口号"), -1},
                        {QStringLiteral("YHM"), QStringLiteral("用户名"), -1},
                        {QString(), QStringLiteral("状态"), -1}});
    dgMain->onDrawColumnCell = [this](QPainter &p, const QRect &rect, const GridColumn &column,
                                      const QStyleOptionViewItem &) { dgMainDrawColumnCell(p, rect, column); };
    auto *gridBox = new QVBoxLayout(GroupBox1);
    gridBox->setContentsMargins(2, 2, 2, 2);
    gridBox->addWidget(dgMain);

    GroupBox2 = new QGroupBox(QStringLiteral("备注"), Panel4);
    GroupBox2->setFixedHeight(169);
    DBMemo1 = new DbMemo(GroupBox2);
    DBMemo1->setReadOnly(true);
    DBMemo1->bind(&dsMain, QStringLiteral("BZ"));
    auto *memoBox = new QVBoxLayout(GroupBox2);
    memoBox->setContentsMargins(2, 2, 2, 2);
    memoBox->addWidget(DBMemo1);

    auto *left = new QVBoxLayout(Panel4);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(GroupBox1, 1);
    left->addWidget(GroupBox2);

    Panel3 = new QFrame(this);
    Panel3->setFixedWidth(116);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3->setLineWidth(1);
    auto button = [this](const QString &caption, int x, int y) {
        auto *b = new QPushButton(caption, Panel3);
        b->setGeometry(x, y, 75, 25);
        return b;
    };
    btnMMSZ = button(QStringLiteral("密码设置"), 20, 19);
    btnAdd = button(QStringLiteral("添加服务器"), 19, 59);
    btnEdit = button(QStringLiteral("修改服务器"), 19, 98);
    btnDelete = button(QStringLiteral("删除服务器"), 19, 138);
    btnConnect = button(QStringLiteral("连接"), 19, 178);
    rgLoginOption = new RadioGroup(QStringLiteral("启动方式"), {QStringLiteral("虚拟桌面"), QStringLiteral("真实桌面")}, Panel3);
    rgLoginOption->setGeometry(13, 217, 88, 61);
    rgLoginOption->setItemIndex(0);
    rgFBL = new RadioGroup(QStringLiteral("分辨率"),
                           {QStringLiteral("全屏幕"), QStringLiteral("1024*768"), QStringLiteral("800*600")}, Panel3);
    rgFBL->setGeometry(13, 293, 88, 92);
    rgFBL->setItemIndex(0);
    chkReconnect = new QCheckBox(QStringLiteral("断线重连"), Panel3);
    chkReconnect->setGeometry(20, 400, 72, 17);
    chkReconnect->setChecked(true);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(Panel4, 1);
    body->addWidget(Panel3);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(WebBrowser1);
    outer->addLayout(body, 1);

    // Tab order: the browser, then the list side, then the button panel.
    setTabOrder(dgMain, DBMemo1);
    setTabOrder(DBMemo1, btnMMSZ);
    setTabOrder(btnMMSZ, btnAdd);
    setTabOrder(btnAdd, btnEdit);
    setTabOrder(btnEdit, btnDelete);
    setTabOrder(btnDelete, btnConnect);
    setTabOrder(btnConnect, rgLoginOption);
    setTabOrder(rgLoginOption, rgFBL);
    setTabOrder(rgFBL, chkReconnect);

    connect(btnMMSZ, &QPushButton::clicked, this, &TfmMain::btnMMSZClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfmMain::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfmMain::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfmMain::btnDeleteClick);
    connect(btnConnect, &QPushButton::clicked, this, &TfmMain::btnConnectClick);
}

void TfmMain::FormCreate() {
    AppDir = QCoreApplication::applicationDirPath() + u'/';
    RdpFile = AppDir + QStringLiteral("config.ini");
    if (!kestrune::StatusList)
        kestrune::StatusList = new StatusTable;
}

void TfmMain::showEvent(QShowEvent *event) {
    TfmBase::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // A failing step ends the handler there; the window shows all the same.
        KestruneApplication::guard([this] { FormShow(); });
    }
}

void TfmMain::FormShow() {
    setWindowTitle(QStringLiteral("Kestrune"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kestrune"));

    // Loads in the background; the window never waits for the page.
    WebBrowser1->load(QUrl(decodeBannerAddress(BannerAddressBase64)));

    qMain.close();
    qMain.setSql(QStringLiteral("select * from FWQ"));
    qMain.open();

    startStatusMonitor(statusProbe);

    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect outer = frameGeometry();
    const int frameHeight = outer.height() - geometry().height();
    const MainWindowPlacement place = placeMainWindow(screen->geometry().width(), screen->geometry().height(), outer.width());
    setFixedHeight(place.outerHeight - frameHeight);
    move(place.left, place.top);
}

void TfmMain::FormDestroy() {
    stopStatusMonitor();
    delete kestrune::StatusList;
    kestrune::StatusList = nullptr;
}

void TfmMain::closeEvent(QCloseEvent *event) {
    // The monitor shares the list, its query and the grid with the window:
    // it returns before the program goes on to end.
    stopStatusMonitor();
    TfmBase::closeEvent(event);
}

void TfmMain::startStatusMonitor(StatusProbe probe) {
    if (!monitor_)
        monitor_ = std::make_unique<TStatusThread>(static_cast<StatusMonitorHost &>(*this), std::move(probe));
}

void TfmMain::stopStatusMonitor() {
    if (monitor_) {
        monitor_->stop();
        monitor_.reset();
    }
}

std::vector<ServerAddress> TfmMain::readServers() {
    qServers.close();
    qServers.open();
    std::vector<ServerAddress> servers;
    servers.reserve(static_cast<size_t>(qServers.recordCount()));
    db::Field &ip = qServers.fieldByName(QStringLiteral("IP"));
    db::Field &port = qServers.fieldByName(QStringLiteral("PORT"));
    for (; !qServers.eof(); qServers.next())
        servers.push_back({ip.asString(), port.isNull() ? std::nullopt : std::optional<int>(port.asInteger())});
    return servers;
}

void TfmMain::repaintGrid() {
    // Queued to the user-interface thread, which may itself be waiting for
    // the monitor to stop; dropped if the grid is gone by then. One request
    // waits at a time: a repaint that has not run yet will show this
    // server's status too, and fast passes do not flood the event queue.
    if (repaintPending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        dgMain,
        [this] {
            repaintPending_ = false;
            dgMain->repaintAll();
        },
        Qt::QueuedConnection);
}

void TfmMain::btnMMSZClick() { ShowPasswordDialog(CurrentOperatorID); }

void TfmMain::btnAddClick() { AddServer(qMain); }

void TfmMain::btnEditClick() {
    if (qMain.recordCount() != 0)
        EditServer(qMain);
}

void TfmMain::btnConnectClick() {
    if (qMain.recordCount() == 0)
        return;
    launch::ConnectionRequest request;
    request.ip = qMain.fieldByName(QStringLiteral("IP")).asString();
    request.port = qMain.fieldByName(QStringLiteral("PORT")).asString();
    request.userName = qMain.fieldByName(QStringLiteral("YHM")).asString();
    request.password = qMain.fieldByName(QStringLiteral("MM")).asString();
    request.resolutionIndex = rgFBL->itemIndex();
    request.resolutionText = rgFBL->itemText();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        request.screenSize = screen->size();
    request.startModeIndex = rgLoginOption->itemIndex();
    request.reconnect = chkReconnect->isChecked();
    request.rdpFile = RdpFile;
    launch::launchConnection(request, launchHooks);
}

void TfmMain::ParseResolution(int &width, int &height) { launch::parseResolution(rgFBL->itemText(), width, height); }

void TfmMain::btnDeleteClick() {
    if (AskYesNo(QStringLiteral("你确实要删除这个服务器吗？"), QStringLiteral("注意")) == IDYES)
        qMain.remove();
}

void TfmMain::qMainNewRecord(db::Query &) { fillNewServerDefaults(qMain); }

void TfmMain::dgMainDrawColumnCell(QPainter &painter, const QRect &rect, const GridColumn &column) {
    if (column.title != QStringLiteral("状态") || !kestrune::StatusList)
        return;
    paintStatusCell(painter, rect, kestrune::StatusList->value(ServerKey(qMain)));
}

} // namespace kestrune
