#pragma once
// What the windows would show of the link: the last status texts, the
// "No Connection" label, the checked COM Port item and the connection
// changes, kept from the link's signals as the main window receives them.

#include "link/MeterLink.h"

#include <QList>
#include <QString>

namespace kv::test {

struct LinkWatch
{
    QString portStatus;
    QString connectionStatus;
    bool noConnectionShown = false;
    int checkedPortItem = -1;
    QList<bool> connectionChanges;

    explicit LinkWatch(MeterLink &link)
    {
        QObject::connect(&link, &MeterLink::portStatusChanged, [this](const QString &t) { portStatus = t; });
        QObject::connect(&link, &MeterLink::connectionStatusChanged,
                         [this](const QString &t) { connectionStatus = t; });
        QObject::connect(&link, &MeterLink::noConnectionChanged, [this](bool shown) { noConnectionShown = shown; });
        QObject::connect(&link, &MeterLink::portItemChecked, [this](int i) { checkedPortItem = i; });
        QObject::connect(&link, &MeterLink::connectionChanged, [this](bool c) { connectionChanges << c; });
    }
};

} // namespace kv::test
