#pragma once
// Types text into a widget key by key, as the operator would; unlike
// QTest::keyClicks it sends Chinese (and any other) characters as they are.

#include <QString>
#include <QTest>
#include <QWidget>

namespace kestrune::test {

inline void typeText(QWidget *widget, const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString ch = text.mid(i, 1);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            ch = text.mid(i++, 2);
        const char ascii = ch.size() == 1 && ch[0].unicode() < 0x80 ? static_cast<char>(ch[0].unicode()) : 0;
        const Qt::Key key = ascii ? QTest::asciiToKey(ascii) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, widget, key, ch, Qt::NoModifier);
    }
}

} // namespace kestrune::test
