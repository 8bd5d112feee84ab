// Prints through a real CUPS queue: a print server of the test's own (cupsd on a socket in a temporary
// folder) with the CUPS-PDF printer, printed to from PhotoPrinter::print and its panel in a process
// pointed at that server. Skipped where the server or the printer cannot be started (cupsd and
// printer-driver-cups-pdf missing, or not root: the PDF printer's backend runs only as root).
#include "photo_views/PrintFixture.h"
#include "photo_views/ProbeProcess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

const char* const kCupsd = "/usr/sbin/cupsd";
const char* const kLpadmin = "/usr/sbin/lpadmin";
const char* const kBackend = "/usr/lib/cups/backend/cups-pdf";
const char* const kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// Where the PDF printer puts the jobs of users it does not know.
const char* const kAnonymousOutput = "/var/spool/cups-pdf/ANONYMOUS";
const char* const kQueue = "QuavelTest";

class PrivateCups
{
public:
    QString socket() const { return m_root.file("cups.sock"); }
    QString why() const { return m_why; }

    bool start()
    {
        for (const char* path : { kCupsd, kLpadmin, kBackend, kPpd })
            if (!QFileInfo::exists(QString::fromLatin1(path)))
                return fail(QStringLiteral("%1 is not installed").arg(path));
        if (::geteuid() != 0)
            return fail("the PDF printer's backend runs only as root");
        // Filters run as the server's user: they must reach the spool.
        QFile::setPermissions(m_root.path(), QFileDevice::Permissions(0x7755));
        const QString r = m_root.path();
        for (const char* dir : { "spool/tmp", "cache", "state", "ppd", "ssl" })
            QDir(r).mkpath(dir);
        QFile::setPermissions(r + "/spool", QFileDevice::Permissions(0x7777));
        QFile::setPermissions(r + "/spool/tmp", QFileDevice::Permissions(0x7777));
        m_root.write("cupsd.conf",
            QStringLiteral("Listen %1\nLogLevel warn\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                           "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                           "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                .arg(socket())
                .toUtf8());
        m_root.write("cups-files.conf",
            QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                           "StateDir %1/state\nErrorLog %1/error_log\nAccessLog %1/access_log\n"
                           "PageLog %1/page_log\nSystemGroup root\n")
                .arg(r)
                .toUtf8());
        m_server.start(QString::fromLatin1(kCupsd),
            { "-f", "-c", m_root.file("cupsd.conf"), "-s", m_root.file("cups-files.conf") });
        if (!m_server.waitForStarted(5000))
            return fail("cupsd does not start");
        if (!waitUntil(
                [this] { return QFileInfo::exists(socket()) || m_server.state() == QProcess::NotRunning; },
                10000)
            || m_server.state() == QProcess::NotRunning)
            return fail("cupsd stopped: " + QString::fromUtf8(m_server.readAllStandardError()));
        QProcess admin;
        admin.start(QString::fromLatin1(kLpadmin),
            { "-h", socket(), "-p", kQueue, "-E", "-v", "cups-pdf:/", "-P", QString::fromLatin1(kPpd) });
        if (!admin.waitForFinished(20000) || admin.exitCode() != 0)
            return fail("lpadmin: " + QString::fromUtf8(admin.readAllStandardError()));
        return true;
    }

    ~PrivateCups()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000)) {
                m_server.kill();
                m_server.waitForFinished(2000);
            }
        }
    }

private:
    bool fail(const QString& why)
    {
        m_why = why;
        return false;
    }

    TempFolder m_root;
    QProcess m_server;
    QString m_why;
};

// The photo's extent on a page of the queue's output: the bounding box of its green pixels.
QRect greenArea(const QImage& page)
{
    QRect green;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGreen(page.pixel(x, y)) > 120 && qRed(page.pixel(x, y)) < 80)
                green |= QRect(x, y, 1, 1);
    return green;
}

TEST(CupsPrint, APhotoPrintsThroughARealQueue)
{
    PrivateCups cups;
    if (!cups.start())
        GTEST_SKIP() << "no print server: " << cups.why().toStdString();

    PrintFixture f;
    // A name of this run only: the PDF printer names its file after the job's title.
    const QString stem = QStringLiteral("QuavelCups%1").arg(::getpid());
    const QString photo = f.photo(stem + ".jpg", QSize(90, 60), QColor(30, 160, 60));
    const QString clip = f.folder.write("clip.mov", "video");
    f.folder.write("config/.keep", "");
    const ProbeRun run = runPrintProbe({ "panel", kQueue, "photo10x15", photo, clip },
        { "CUPS_SERVER=" + cups.socket(), QStringLiteral("CUPS_USER=quavel-print-test"),
            "XDG_CONFIG_HOME=" + f.folder.file("config") });
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("accepted 1"));
    EXPECT_TRUE(run.output.contains("handed " + photo)) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains("clip.mov"));
    EXPECT_TRUE(run.output.contains(QStringLiteral("remembered %1").arg(kQueue))) << run.output.toStdString();

    // The job goes through CUPS's filters to the PDF printer, which writes it for an unknown user here.
    QString output;
    const bool written = waitUntil(
        [&] {
            const QStringList found
                = QDir(QString::fromLatin1(kAnonymousOutput)).entryList({ stem + "*.pdf" });
            if (found.isEmpty())
                return false;
            output = QString::fromLatin1(kAnonymousOutput) + "/" + found.first();
            const auto pdf = PdfDocument::open(output);
            return pdf && pdf->pageCount() > 0;
        },
        30000);
    ASSERT_TRUE(written) << "no PDF from the queue";
    const auto pdf = PdfDocument::open(output);
    EXPECT_EQ(pdf->pageCount(), 1);
    // A 10 × 15 cm sheet (a size of our own for the queue), fed in portrait: the landscape page is turned
    // onto it, so the photo, fitted into the landscape page, stands on its long side.
    const QRectF box = pdf->mediaBox(0).value_or(QRectF());
    EXPECT_NEAR(std::min(box.width(), box.height()), 283.5, 1.5);
    EXPECT_NEAR(std::max(box.width(), box.height()), 425.2, 1.5);
    const QImage page = pdfPage(output, 1, f.folder.path());
    QFile::remove(output);
    const QRect green = greenArea(page);
    ASSERT_FALSE(green.isEmpty());
    const double longSide = std::max(green.width(), green.height()) * 2.0; // points, at 36 dots per inch
    // The sheet's long side less the inset, 408 points; CUPS's filters may shrink the page a little
    // into the queue's printable area.
    EXPECT_NEAR(longSide, 404, 8);
    EXPECT_NEAR(
        double(std::max(green.width(), green.height())) / std::min(green.width(), green.height()), 1.5, 0.03);
    EXPECT_EQ(green.height() > green.width(), page.height() > page.width());
}

TEST(CupsPrint, EachPageOfAMixedJobIsTurnedForItsPhoto)
{
    PrivateCups cups;
    if (!cups.start())
        GTEST_SKIP() << "no print server: " << cups.why().toStdString();

    // Landscape, portrait, landscape on A4 from the menu: through the queue every page comes out on the
    // A4 sheet as it is fed, each photo filling the sheet's long side (its own page turned onto it),
    // where a job turned for its first photo alone would shrink the portrait one to the sheet's width.
    PrintFixture f;
    const QStringList photos = { f.photo("1.jpg", QSize(90, 60), QColor(30, 160, 60)),
        f.photo("2.jpg", QSize(60, 90), QColor(30, 160, 60)),
        f.photo("3.jpg", QSize(90, 60), QColor(30, 160, 60)) };
    f.folder.write("config/.keep", "");
    // The PDF printer names its files after the job's title, "QUAVEL — 3 photos" here: ours is the one
    // written since the run began.
    const QDir spool(QString::fromLatin1(kAnonymousOutput));
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    const ProbeRun run = runPrintProbe(QStringList { "panel", kQueue, "a4" } + photos,
        { "CUPS_SERVER=" + cups.socket(), QStringLiteral("CUPS_USER=quavel-print-test"),
            "XDG_CONFIG_HOME=" + f.folder.file("config") });
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("remembered " + QString::fromLatin1(kQueue))) << run.output.toStdString();

    QString output;
    const bool written = waitUntil(
        [&] {
            for (const QString& name : spool.entryList({ "QUAVEL*.pdf" })) {
                const bool ours = QFileInfo(spool.filePath(name)).lastModified() >= started;
                const auto pdf = ours ? PdfDocument::open(spool.filePath(name)) : nullptr;
                if (pdf && pdf->pageCount() == 3) {
                    output = spool.filePath(name);
                    return true;
                }
            }
            return false;
        },
        30000);
    ASSERT_TRUE(written) << "no PDF from the queue";
    for (int page = 1; page <= 3; ++page) {
        const QImage shown = pdfPage(output, page, f.folder.path());
        ASSERT_FALSE(shown.isNull()) << page;
        const QRect green = greenArea(shown);
        ASSERT_FALSE(green.isEmpty()) << page;
        // Points at 36 dots per inch: the sheet's long side less the inset is 825 points.
        EXPECT_GT(shown.height(), shown.width()) << page;
        EXPECT_NEAR(std::max(green.width(), green.height()) * 2.0, 822, 10) << page;
        EXPECT_NEAR(double(green.height()) / green.width(), 1.5, 0.03) << page;
    }
    QFile::remove(output);
}

} // namespace
