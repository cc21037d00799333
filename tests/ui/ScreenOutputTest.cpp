// The screen leaving the program: recorded through the main window across
// zoom and rotation changes, printed to a PDF, copied to the clipboard.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "desktop/ui/main/LiveView.h"
#include "desktop/ui/main/MainWindow.h"
#include "desktop/ui/main/ScreenPrinter.h"
#include "media/VideoReader.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

struct Connected {
    test::TempStore store;
    QTemporaryDir root;
    std::unique_ptr<Settings> settings = store.Open();
    std::unique_ptr<MainWindow> window;

    Connected() {
        LinkOptions link;
        link.root = root.path().toStdString();
        link.library = HD_AGENT_LIBRARY;
        window = std::make_unique<MainWindow>(*settings, link);
        window->show();
        QSignalSpy painted(window->View(), &LiveView::framePainted);
        EXPECT_TRUE(window->ConnectToDevice());
        EXPECT_TRUE(painted.wait(5000));
    }
};

// Every stream of a PDF, inflated where it is compressed.
QByteArray PdfText(const QByteArray& pdf) {
    QByteArray text = pdf;
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at + 1)) {
        const qsizetype from = at + 7, to = pdf.indexOf("endstream", from);
        if (to < 0) break;
        std::vector<unsigned char> out(1 << 20);
        uLongf n = out.size();
        if (uncompress(out.data(), &n, reinterpret_cast<const Bytef*>(pdf.constData() + from),
                       uLong(to - from)) == Z_OK)
            text += QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(n));
    }
    return text;
}

TEST(ScreenOutput, ARecordingGoesOnAcrossZoomAndRotation) {
    Connected c;
    MainWindow& w = *c.window;
    const QString file = c.root.filePath("screen.mkv");
    ASSERT_TRUE(w.StartRecording(file));
    EXPECT_TRUE(w.Recording());
    QSignalSpy painted(w.View(), &LiveView::framePainted);
    w.PressAppButton(1);
    ASSERT_TRUE(painted.wait(3000));
    w.SetZoom(200);
    w.SetRotation(Rotation::LandscapeCW);
    w.PressAppButton(3);
    ASSERT_TRUE(painted.wait(3000));
    QTest::qWait(100);
    EXPECT_TRUE(w.Recording());
    ASSERT_TRUE(w.StopRecording());
    EXPECT_FALSE(w.Recording());

    media::test::DecodedVideo video;
    ASSERT_TRUE(media::test::ReadVideo(file.toStdString(), video));
    EXPECT_GE(video.frames.size(), 3u);  // the start, two programs, the end
    // Upright and unzoomed, whatever the view showed.
    EXPECT_EQ(video.width, 240);
    EXPECT_EQ(video.height, 320);
    const QImage last = w.View()->Picture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(video.frames.back()[5 * 240 + 200] & 0xFFFFFF, last.pixel(200, 5) & 0xFFFFFF);

    // A file that cannot be made is refused with its reason.
    QString said;
    test::WhenModal([&](QWidget* m) {
        if (auto* box = qobject_cast<QMessageBox*>(m)) said = box->text();
        m->close();
    });
    EXPECT_FALSE(w.StartRecording(c.root.filePath("missing/screen.avi")));
    EXPECT_TRUE(said.startsWith("The recording could not start: cannot create"))
        << said.toStdString();
    w.DisconnectFromDevice();
}

TEST(ScreenOutput, PrintsOnePageWithTheScreenInItsShape) {
    Connected c;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = c.root.filePath("screen.pdf");
    printer.setOutputFileName(file);
    ASSERT_TRUE(c.window->PrintScreenTo(printer));
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray text = PdfText(pdf.readAll());
    EXPECT_EQ(text.count("/Type /Page\n") + text.count("/Type /Page "), 1);
    EXPECT_TRUE(text.contains("/Width 240") && text.contains("/Height 320"));
    // The page's scale, then the image's own matrix "w 0 0 -h 0 h": equal
    // scales keep the screen's shape, and it fills the page one way.
    const QRegularExpression cm(
        R"(([\d.]+) 0 0 ([\d.]+) [-\d.]+ [-\d.]+ cm\s*240 0 0 -320 0 320 cm\s*/Im)");
    const auto m = cm.match(QString::fromLatin1(text));
    ASSERT_TRUE(m.hasMatch());
    const double width = 240 * m.captured(1).toDouble(), height = 320 * m.captured(2).toDouble();
    EXPECT_NEAR(height / width, 320.0 / 240, 0.01);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    EXPECT_NEAR(std::max(width / page.width(), height / page.height()), 1.0, 0.01);

    EXPECT_EQ(FitToPage({240, 320}, {0, 0, 1000, 1000}), QRect(125, 0, 750, 1000));
    QString error;
    EXPECT_FALSE(PrintScreen(QImage(), printer, error));
    EXPECT_EQ(error, "there is no screen picture to print");
    c.window->DisconnectFromDevice();
}

TEST(ScreenOutput, CopyScreenPutsThePictureOnTheClipboard) {
    Connected c;
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(c.window->CopyScreen());
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(240, 320));
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              c.window->View()->Picture().convertToFormat(QImage::Format_RGB32));
    c.window->DisconnectFromDevice();
    EXPECT_FALSE(c.window->CopyScreen());
}

}  // namespace
}  // namespace hd::desktop
