#include "Nombres.h"

#include <QLocale>

QString nombre(qint64 n) {
    static const QLocale francais(QLocale::French, QLocale::France);
    return francais.toString(n);
}
