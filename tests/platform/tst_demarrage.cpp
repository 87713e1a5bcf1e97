#include "Environnement.h"

#include <QTest>

#include <cstdlib>
#include <ctime>

namespace {

// The local broken-down time of a fixed instant in summer, as the C library gives it now.
std::tm heureLocale() {
    const std::time_t instant = 1783000000; // 2026-07-02
    std::tm resultat{};
    localtime_r(&instant, &resultat);
    return resultat;
}

} // namespace

class TestDemarrage : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        qunsetenv("TZ");
        tzset();
    }

    void leFuseauDuSystemeResteLeMeme() {
        qunsetenv("TZ");
        tzset();
        const std::tm avant = heureLocale();
        environnement::fuseauLuUneFois();
        const std::tm apres = heureLocale();
        QCOMPARE(apres.tm_hour, avant.tm_hour);
        QCOMPARE(apres.tm_gmtoff, avant.tm_gmtoff);
        QCOMPARE(apres.tm_isdst, avant.tm_isdst);
#if defined(__GLIBC__)
        QCOMPARE(qgetenv("TZ"), QByteArray(":/etc/localtime"));
#endif
    }

    void leFuseauChoisiParLUtilisateurEstGarde() {
        // A zone far from the machine's: changing it would move every local time.
        qputenv("TZ", "Pacific/Kiritimati");
        tzset();
        environnement::fuseauLuUneFois();
        QCOMPARE(qgetenv("TZ"), QByteArray("Pacific/Kiritimati"));
        QCOMPARE(heureLocale().tm_gmtoff, 14L * 3600);

        // Set but empty means UTC to the C library: not the same as unset.
        qputenv("TZ", "");
        tzset();
        environnement::fuseauLuUneFois();
        QCOMPARE(heureLocale().tm_gmtoff, 0L);
        QVERIFY(qEnvironmentVariableIsSet("TZ"));
        QVERIFY(qEnvironmentVariableIsEmpty("TZ"));
    }
};

QTEST_APPLESS_MAIN(TestDemarrage)
#include "tst_demarrage.moc"
