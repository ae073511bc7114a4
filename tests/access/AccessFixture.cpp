#include "tests/access/AccessFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QtTest/QTest>

namespace kestrune::test {

namespace {

// Records every window that is shown.
class ShowWatch : public QObject {
public:
    explicit ShowWatch(std::vector<QString> &shown) : shown_(shown) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show)
            if (auto *w = qobject_cast<QWidget *>(watched); w && w->isWindow())
                shown_.push_back(QString::fromLatin1(w->metaObject()->className()));
        return false;
    }

private:
    std::vector<QString> &shown_;
};

} // namespace

void AccessFixture::SetUp() {
    previousAnswerer_ = setMessageAnswerer([this](const MessageRequest &request) {
        messages.push_back(request);
        return request.kind == MessageKind::YesNo ? IDNO : IDOK;
    });
    data = std::make_unique<TPubData>();
    PubData = data.get();
    showWatch_ = std::make_unique<ShowWatch>(shown);
    qApp->installEventFilter(showWatch_.get());

    watchdog_.setSingleShot(true);
    watchdog_.setInterval(30000);
    QObject::connect(&watchdog_, &QTimer::timeout, [] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a modal window was still open; closed by the test";
            w->close();
        }
    });
    watchdog_.start();
}

void AccessFixture::TearDown() {
    watchdog_.stop();
    qApp->removeEventFilter(showWatch_.get());
    data.reset();
    setMessageAnswerer(std::move(previousAnswerer_));
}

void AccessFixture::onModal(const std::function<void(QWidget &)> &drive) {
    QTimer::singleShot(0, qApp, [drive] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            ADD_FAILURE() << "no modal window is open";
            return;
        }
        ASSERT_TRUE(QTest::qWaitForWindowActive(w)) << "the modal window did not become active";
        drive(*w);
    });
}

Rows AccessFixture::passwordRows() { return readRows(*own, QStringLiteral("select ID, MM from CZYMM order by ID")); }

void AccessFixture::storePassword(int id, const QVariant &mm) {
    exec(*own, QStringLiteral("DELETE FROM CZYMM WHERE ID=%1").arg(id));
    if (mm.isNull()) {
        exec(*own, QStringLiteral("INSERT INTO CZYMM (ID, MM) VALUES (%1, NULL)").arg(id));
        return;
    }
    QString quoted = mm.toString();
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    exec(*own, QStringLiteral("INSERT INTO CZYMM (ID, MM) VALUES (%1, '%2')").arg(id).arg(quoted));
}

void typeText(QWidget *widget, const QString &text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace kestrune::test
