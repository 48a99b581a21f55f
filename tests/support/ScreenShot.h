#pragma once
// With LUMISK_SCREENSHOT set to a path prefix: the screen, and `window` alone,
// saved as <prefix><suffix>.png and <prefix><suffix>.window.png, to look at.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

inline void saveScreenAndWindow(QWidget* window, const char* suffix) {
    const QByteArray shot = qgetenv("LUMISK_SCREENSHOT");
    if (shot.isEmpty())
        return;
    window->show();
    QTest::qWait(300);
    const QString base = QString::fromLocal8Bit(shot) + QString::fromUtf8(suffix);
    QGuiApplication::primaryScreen()->grabWindow(0).save(base + QStringLiteral(".png"));
    window->grab().save(base + QStringLiteral(".window.png"));
}
