// A picture named on the command line, as the desktop's "Open with" starts the program.
#include <QLabel>
#include <optional>

#include "imageio/FormatRegistry.h"
#include "window/FileWindowTest.h"
#include "window/Messages.h"

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

    // Contents decide where the name would not let a drag drop; a failure names the file and
    // says why, and changes nothing.
    const QByteArray jpeg = contents(writeJpeg(m_dir.filePath("j"), randomSurface(12, 7, 6)));
    const QByteArray bmp = contents(writeBmp(m_dir.filePath("b"), randomSurface(9, 4, 7)));
    ASSERT_TRUE(files::pictureFormat(files::FormatId::Png)
                    .write(randomSurface(5, 5, 8), m_dir.filePath("p").toStdString(), {})
                    .ok());
    const QByteArray png = contents(m_dir.filePath("p"));
    const QString unsupported = QStringLiteral("画像として読み込めません: 対応していない形式です");
    const QString missing =
        QStringLiteral("ファイルを開けません: ファイルまたはフォルダーがありません");
    struct Case {
        QString name;
        std::optional<QByteArray> bytes;  // none: the file is missing
        QString reason;                   // empty: the picture opens
        QString size = {};
    };
    QString shown = photo;
    for (const Case& c : std::vector<Case>{
             {"photo.jfif", jpeg, "", QStringLiteral(" 12 ×  7")},
             {"photo.JPE", jpeg, "", QStringLiteral(" 12 ×  7")},
             {"photo", bmp, "", QStringLiteral(" 9 ×  4")},
             {"bitmap.png", bmp, "", QStringLiteral(" 9 ×  4")},
             {"real.png", png, unsupported},
             {"a.gif", QByteArray("GIF89a"), unsupported},
             {"b.jpg", QByteArray("x"), QStringLiteral("画像として読み込めません: ")},
             {"cut.jfif", jpeg.left(jpeg.size() / 3),
              QStringLiteral("ファイルを読み込めません: ファイルが途中で切れています")},
             {"gone.jpg", std::nullopt, missing},
             {"gone", std::nullopt, missing},
             {"Pics", std::nullopt,
              QStringLiteral("ファイルを開けません: 通常のファイルではありません")}}) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = m_dir.filePath(c.name);
        if (c.bytes) writeText(path, *c.bytes);
        MessageBoxAnswer message;
        m_window->openCommandLineFile(path);
        if (c.reason.isEmpty()) {
            EXPECT_FALSE(message.answered());
            shown = path;
            EXPECT_EQ(control<QLabel>("lblSize")->text(), c.size);
        } else {
            ASSERT_TRUE(message.answered());
            EXPECT_TRUE(message.box().text.startsWith(
                path + QStringLiteral(" を開けませんでした。\n") + c.reason))
                << message.box().text.toStdString();
            EXPECT_EQ(message.box().title, "Rimvista");
        }
        EXPECT_EQ(m_window->PictureFile, shown);
    }

    // Damaged coded data: the picture opens as far as it decodes, and the user is told once.
    QByteArray damaged = contents(writeJpeg(m_dir.filePath("d.jpg"), randomSurface(64, 48, 9)));
    damaged.insert(damaged.size() - damaged.size() / 4, QByteArray(40, 'Z'));
    writeText(m_dir.filePath("d.jpg"), damaged);
    MessageBoxAnswer told;
    m_window->openCommandLineFile(m_dir.filePath("d.jpg"));
    ASSERT_TRUE(told.answered());
    EXPECT_TRUE(told.box().text.startsWith(kOpenedDamaged + "\n")) << told.box().text.toStdString();
    EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 64 ×  48"));
}

}  // namespace
}  // namespace rimvista::test
