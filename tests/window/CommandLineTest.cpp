// A picture named on the command line, as the desktop's "Open with" starts the program.
#include <QLabel>

#include "window/FileWindowTest.h"

namespace rimvista::test {
namespace {

using CommandLineTest = FileWindowTest;

TEST_F(CommandLineTest, NamedPictureOpensAsADropOfItWould) {
    const QString a = QStringLiteral("rimvista");
    for (const auto& [args, settings, picture] :
         std::vector<std::tuple<QStringList, QString, QString>>{
             {{a}, "", ""},
             {{a, "--settings", "s.ini", "p.jpg"}, "s.ini", "p.jpg"},
             {{a, "p.jpg", "--settings", "s.ini"}, "s.ini", "p.jpg"},
             {{a, "file:///tmp/a%20b.bmp"}, "", "/tmp/a b.bmp"},
             {{a, "--", "--odd.bmp"}, "", "--odd.bmp"}}) {
        const FrmMainOptions o = parseCommandLine(args);
        EXPECT_EQ(o.settingsFile, settings) << args.join(' ').toStdString();
        EXPECT_EQ(o.pictureFile, picture) << args.join(' ').toStdString();
    }

    const QString pics = folder("Pics");
    const QString photo = writeBmp(pics + "/Photo.BMP", randomSurface(20, 10, 5));
    QDir::setCurrent(pics);  // a name relative to the folder the program was started in
    FrmMainOptions options;
    options.settingsFile = settingsPath();
    options.pictureFile = "Photo.BMP";
    m_window = std::make_unique<FrmMain>(options);
    m_window->show();
    QTRY_VERIFY(m_window->Picture1->hasPicture());
    EXPECT_EQ(m_window->PictureFile, photo);
    EXPECT_EQ(m_window->DataFolder, pics);
    EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 20 ×  10"));
    EXPECT_TRUE(m_window->cmdMeji->isEnabled());

    // A name a drag would refuse, and a file that cannot be read: the drop's message, nothing
    // changed.
    for (const QString& bad :
         {writeText(pics + "/a.gif", "GIF89a"), writeText(pics + "/b.jpg", "x")}) {
        MessageBoxAnswer message;
        m_window->openCommandLineFile(bad);
        EXPECT_EQ(message.box().text, "Drop Error");
        EXPECT_EQ(m_window->PictureFile, photo);
    }
}

}  // namespace
}  // namespace rimvista::test
