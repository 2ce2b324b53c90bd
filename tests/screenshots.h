// What the programs that draw the documentation's pictures share.
#pragma once

#include <QApplication>
#include <QDir>

#include <optional>

namespace zn::test {

// Japanese texts in the CJK face whatever the machine's own font is; at
// `pixelSize` when one is given.
inline void useJapaneseFace(int pixelSize = 0)
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    QApplication::setFont(font);
}

// The application of a picture program, `program <directory>`: dates,
// times and texts as a Japanese desktop shows them (午前/午後), in the CJK
// face.
class PictureProgram : public QApplication {
public:
    PictureProgram(int &argc, char **argv, int pixelSize = 0) : QApplication(inJapanese(argc), argv)
    {
        if (argc == 2)
            m_directory = QDir(QString::fromLocal8Bit(argv[1]));
        useJapaneseFace(pixelSize);
    }
    // The directory the pictures go to; none when the command line is wrong.
    const std::optional<QDir> &directory() const { return m_directory; }

private:
    static int &inJapanese(int &argc)
    {
        qputenv("LC_ALL", "ja_JP.UTF-8");
        return argc;
    }
    std::optional<QDir> m_directory;
};

} // namespace zn::test
