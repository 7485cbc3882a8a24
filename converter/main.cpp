// quillon-pdfconv: turns one file into PostScript (-PS) or PDF (-PDF) for the PDF binder.
//   quillon-pdfconv -PS "<source>" -OUT:"<output.ps>"
//   quillon-pdfconv -PDF "<source>" -OUT:"<output.pdf>" [- KEEPPS]
// The route follows the content type: text is laid out here, images are drawn on a page, PDF and
// PostScript go straight to Ghostscript, office documents through LibreOffice when it is
// installed. Exit 0 with the output written; 2 when the file cannot be converted (the reason on
// standard error); 1 for a wrong command line.
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTextOption>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/PathUtil.h"
#include "platform/FileSystem.h"
#include "platform/FileText.h"
#include "platform/Ghostscript.h"
#include "platform/Launcher.h"
#include "platform/ToolLocator.h"

namespace quillon {
namespace {

enum class Route { kText, kImage, kPostScript, kOffice, kNone };

struct Request {
    bool toPdf = false;
    bool keepPs = false;
    std::string source;
    std::string output;
};

bool ParseArgs(int argc, char** argv, Request& request) {
    bool modeSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-PS" || arg == "-PDF") && i + 1 < argc) {
            request.toPdf = arg == "-PDF";
            request.source = argv[++i];
            modeSeen = true;
        } else if (arg.rfind("-OUT:", 0) == 0 || arg.rfind("-out:", 0) == 0) {
            request.output = arg.substr(5);
        } else if (arg == "KEEPPS") {
            request.keepPs = true;
        } else if (arg != "-") {
            return false;
        }
    }
    return modeSeen && !request.source.empty() && !request.output.empty();
}

Route RouteOf(const QMimeType& type) {
    const auto is = [&type](const char* name) { return type.inherits(QString::fromLatin1(name)); };
    if (is("application/pdf") || is("application/postscript") || is("image/x-eps")) {
        return Route::kPostScript;
    }
    if (type.name().startsWith(QStringLiteral("image/"))) {
        return Route::kImage;
    }
    if (type.name().startsWith(QStringLiteral("application/vnd.oasis.opendocument")) ||
        type.name().startsWith(QStringLiteral("application/vnd.openxmlformats")) ||
        is("application/msword") || is("application/vnd.ms-excel") ||
        is("application/vnd.ms-powerpoint") || is("application/rtf")) {
        return Route::kOffice;
    }
    if (is("text/plain")) {
        return Route::kText;
    }
    return Route::kNone;
}

QString DecodeText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    const EncodingDetection detected = DetectTextEncoding(path);
    QStringConverter::Encoding encoding = QStringConverter::System;
    switch (detected.encoding) {
        case kEncUtf16Le:
            encoding = QStringConverter::Utf16LE;
            break;
        case kEncUtf16Be:
            encoding = QStringConverter::Utf16BE;
            break;
        case kEncUtf8:
            encoding = QStringConverter::Utf8;
            break;
        default:
            break;
    }
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (!text.isEmpty() && text.front() == QChar(0xFEFF)) {
        text.remove(0, 1);
    }
    return text;
}

void SetUpWriter(QPdfWriter& writer, const std::string& source) {
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QString::fromStdString(std::string(BaseName(source))));
    writer.setCreator(QStringLiteral("Quillon"));
}

bool TextToPdf(const QString& text, const std::string& source, const std::string& pdf,
               std::string& error) {
    QPdfWriter writer(QString::fromStdString(pdf));
    SetUpWriter(writer, source);
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setPlainText(text);
    document.print(&writer);
    if (!QFile::exists(QString::fromStdString(pdf))) {
        error = "the text could not be laid out";
        return false;
    }
    return true;
}

// Text on the way to PostScript is set in the standard Courier, re-encoded to ISO Latin-1: its
// glyph names carry the characters through ps2write and back into the PDF's text layer, which
// a font embedded by QPdfWriter does not survive (ps2write turns it into nameless glyphs).
// Greek, Cyrillic and the Latin letters beyond Latin-1 are drawn by their glyph names as well
// (glyphshow), picked by Ghostscript from the font's own glyphs through its Adobe Glyph List, so
// they stay searchable too; a character the font lacks prints as '?'.
// Whether every character lies in the scripts Courier draws. Other text is laid out by Qt
// instead: it prints right in every script, though its text layer does not survive ps2write.
bool FitsCourier(const QString& text) {
    struct Range {
        char16_t first, last;
    };
    static constexpr Range kRanges[] = {{0x0000, 0x017F}, {0x0384, 0x03CE}, {0x0400, 0x045F},
                                        {0x0490, 0x0491}, {0x2010, 0x203A}, {0x20AC, 0x20AC}};
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return std::any_of(std::begin(kRanges), std::end(kRanges), [c](const Range& r) {
            return c.unicode() >= r.first && c.unicode() <= r.last;
        });
    });
}

// One line as PostScript: runs of Latin-1 in a string for show, the other characters as their
// code points for the glyph-name procedure.
std::string LineToPostScript(const std::u16string& line) {
    std::string code;
    std::string run;
    std::string points;
    auto flushRun = [&] {
        if (!run.empty()) {
            code += "(" + run + ")show";
            run.clear();
        }
    };
    auto flushPoints = [&] {
        if (!points.empty()) {
            code += "[" + points + "]QU";
            points.clear();
        }
    };
    for (const char16_t c : line) {
        if (c > 0xFF) {
            flushRun();
            char point[16];
            std::snprintf(point, sizeof point, "%s16#%04X", points.empty() ? "" : " ",
                          static_cast<unsigned>(c));
            points += point;
            continue;
        }
        flushPoints();
        if (c == u'(' || c == u')' || c == u'\\') {
            run += '\\';
            run += static_cast<char>(c);
        } else if (c >= 0x80) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(c));
            run += octal;
        } else {
            run += static_cast<char>(c);
        }
    }
    flushRun();
    flushPoints();
    return code;
}

bool TextToPostScript(const QString& text, const std::string& ps, std::string& error) {
    constexpr size_t kColumns = 92;
    constexpr size_t kLinesPerPage = 70;
    std::vector<std::u16string> lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        std::u16string chars;
        for (const QChar c : line) {
            if (c == QLatin1Char('\t')) {
                chars.append(8 - chars.size() % 8, u' ');
            } else {
                chars += c.unicode() < 0x20 || c.unicode() == 0x7F ||
                                 (c.unicode() >= 0x80 && c.unicode() < 0xA0)
                             ? u'?'
                             : static_cast<char16_t>(c.unicode());
            }
        }
        do {
            lines.push_back(chars.substr(0, kColumns));
            chars.erase(0, std::min(kColumns, chars.size()));
        } while (!chars.empty());
    }
    while (lines.size() > 1 && lines.back().empty()) {
        lines.pop_back();
    }
    FILE* out = std::fopen(ps.c_str(), "wb");
    if (out == nullptr) {
        error = ps + ": " + std::strerror(errno);
        return false;
    }
    const size_t pages = (lines.size() + kLinesPerPage - 1) / kLinesPerPage;
    std::fprintf(out,
                 "%%!PS-Adobe-3.0\n%%%%Creator: Quillon\n%%%%Pages: %zu\n%%%%EndComments\n"
                 "%%%%BeginProlog\n/QText /Courier findfont dup length dict begin{1 index/FID ne"
                 "{def}{pop pop}ifelse}forall/Encoding ISOLatin1Encoding def currentdict end "
                 "definefont pop\n"
                 // Code point to glyph name, for the glyphs Courier has: a "uniXXXX" name says
                 // its code point, any other name is looked up in the Adobe Glyph List (and
                 // gives way to a "uni" name of the same code point). QU shows an array of code
                 // points by name.
                 "/QMap 1024 dict def /QText findfont/CharStrings get{pop dup 64 string cvs dup "
                 "length 7 eq{dup 0 3 getinterval(uni)eq}{false}ifelse{3 4 getinterval 7 string "
                 "dup 0(16#)putinterval dup 3 4 -1 roll putinterval{cvi}stopped{pop pop}{exch "
                 "QMap 3 1 roll put}ifelse}{pop dup AdobeGlyphList exch .knownget{dup "
                 "type/integertype eq{QMap 1 index known{pop pop}{exch QMap 3 1 roll put}ifelse}"
                 "{pop pop}ifelse}{pop}ifelse}ifelse}forall\n"
                 // Letters the font may only have under a look-alike's name.
                 "16#0394/Delta 16#03A9/Omega 16#03BC/mu 16#03C2/sigma 16#0387/periodcentered "
                 "5{QMap 2 index known{pop pop}{QMap 3 1 roll put}ifelse}repeat\n"
                 "/QU{{QMap exch 2 copy known{get}{pop pop/question}ifelse glyphshow}forall}bind "
                 "def\n%%%%EndProlog\n",
                 pages);
    for (size_t page = 0; page < pages; ++page) {
        std::fprintf(out,
                     "%%%%Page: %zu %zu\n%%%%BeginPageSetup\n<</PageSize[595 842]>>setpagedevice"
                     "\n%%%%EndPageSetup\n/QText 9 selectfont\n",
                     page + 1, page + 1);
        for (size_t i = 0; i < kLinesPerPage && page * kLinesPerPage + i < lines.size(); ++i) {
            std::fprintf(out, "42 %zu moveto %s\n", 800 - i * 11,
                         LineToPostScript(lines[page * kLinesPerPage + i]).c_str());
        }
        std::fprintf(out, "showpage\n");
    }
    std::fprintf(out, "%%%%Trailer\n%%%%EOF\n");
    if (std::fclose(out) != 0) {
        error = ps + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ImageToPdf(const std::string& source, const std::string& pdf, std::string& error) {
    QImageReader reader(QString::fromStdString(source));
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        error = "the image cannot be read: " + reader.errorString().toStdString();
        return false;
    }
    QPdfWriter writer(QString::fromStdString(pdf));
    SetUpWriter(writer, source);
    QPainter painter(&writer);
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return painter.end();
}

bool RunProgram(const std::vector<std::string>& argv) {
    LaunchRequest request;
    request.commandLine = argv.front();
    request.argv = argv;
    request.waitMs = kWaitForever;
    ProcessLauncher launcher;
    const LaunchResult result = launcher.Launch(request);
    return result.exited && result.exitCode == 0;
}

// LibreOffice with a profile of its own in the private folder, so a running instance or the
// user's profile is never touched.
bool OfficeToPdf(const std::string& source, const std::string& folder, std::string& pdf,
                 std::string& error) {
    const char* path = std::getenv("PATH");
    const std::string soffice = FindOnSearchPath("soffice", path != nullptr ? path : "/usr/bin");
    if (soffice.empty()) {
        error = "office documents need LibreOffice (soffice), which is not installed";
        return false;
    }
    char cwd[4096];
    const std::string absolute = AbsolutePath(getcwd(cwd, sizeof cwd) ? cwd : "/", source);
    if (!RunProgram({soffice, "-env:UserInstallation=file://" + folder + "/profile", "--headless",
                     "--convert-to", "pdf", "--outdir", folder + "/office", absolute})) {
        error = "LibreOffice could not convert the document";
        return false;
    }
    std::string name(BaseName(absolute));
    const size_t dot = name.rfind('.');
    pdf = folder + "/office/" + (dot == std::string::npos ? name : name.substr(0, dot)) + ".pdf";
    struct stat st {};
    if (stat(pdf.c_str(), &st) != 0) {
        error = "LibreOffice wrote no PDF";
        return false;
    }
    return true;
}

void RemoveTree(const std::string& folder) {
    const std::vector<std::string> argv = {"/bin/rm", "-rf", "--", folder};
    RunProgram(argv);
}

bool ToPostScript(const std::string& gs, const std::string& input, const std::string& ps,
                  std::string& error) {
    std::string output;
    if (RunGhostscript(gs,
                       {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ps2write",
                        GhostscriptOutputArg(ps), GhostscriptInputArg(input)},
                       &output)) {
        return true;
    }
    error = "Ghostscript failed: " + output;
    return false;
}

// "<output less its extension>.ps": the PostScript copy KEEPPS asks for.
std::string KeptPostScriptName(const std::string& output) {
    std::string kept = output;
    const size_t dot = kept.rfind('.');
    if (dot != std::string::npos && kept.find('/', dot) == std::string::npos) {
        kept.resize(dot);
    }
    return kept + ".ps";
}

// The PostScript copy is written under a temporary name in the PDF's folder, so that giving it
// its name is a rename on one file system.
bool PostScriptBeside(const std::string& gs, const std::string& input, const std::string& output,
                      std::string& temp, std::string& error) {
    char cwd[4096];
    const std::string target = AbsolutePath(getcwd(cwd, sizeof cwd) ? cwd : "/", output);
    temp = JoinPath(DirName(target), ".ps-XXXXXX");
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = temp + ": " + std::strerror(errno);
        temp.clear();
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    if (!ToPostScript(gs, input, temp, error)) {
        unlink(temp.c_str());
        temp.clear();
        return false;
    }
    return true;
}

// The copy never replaces a file: a taken name (an older copy, or the source itself when a
// PostScript file is turned into a PDF of the same name) keeps its file, and the copy is dropped
// with a note. The PDF itself was asked for and stands.
void KeepPostScript(const std::string& temp, const std::string& kept) {
    const int failed =
        RealFileSystem().Rename(AT_FDCWD, temp.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE);
    if (failed != 0) {
        std::fprintf(stderr, "quillon-pdfconv: %s: %s; the PostScript copy is not kept\n",
                     kept.c_str(), std::strerror(failed));
        unlink(temp.c_str());
    }
}

int Convert(const Request& request, const std::string& folder) {
    const std::string gs = FindGhostscript();
    if (gs.empty()) {
        std::fprintf(stderr, "quillon-pdfconv: Ghostscript (gs) was not found\n");
        return 2;
    }
    if (access(request.source.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "quillon-pdfconv: %s: %s\n", request.source.c_str(),
                     std::strerror(errno));
        return 2;
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(request.source));
    const Route route = RouteOf(type);
    std::string error;
    std::string pdf = folder + "/page.pdf";
    bool ok = false;
    switch (route) {
        case Route::kText: {
            const QString text = DecodeText(request.source);
            if (request.toPdf || !FitsCourier(text)) {
                ok = TextToPdf(text, request.source, pdf, error);
            } else {
                pdf = folder + "/text.ps";
                ok = TextToPostScript(text, pdf, error);
            }
            break;
        }
        case Route::kImage:
            ok = ImageToPdf(request.source, pdf, error);
            break;
        case Route::kPostScript:
            pdf = request.source;
            ok = true;
            break;
        case Route::kOffice:
            ok = OfficeToPdf(request.source, folder, pdf, error);
            break;
        case Route::kNone:
            error = "no conversion for content type " + type.name().toStdString();
            break;
    }
    if (ok && !request.toPdf) {
        ok = ToPostScript(gs, pdf, request.output, error);
    } else if (ok) {
        std::string psTemp;
        if (request.keepPs) {
            ok = PostScriptBeside(gs, pdf, request.output, psTemp, error);
        }
        ok = ok && GhostscriptToPdf(gs, pdf, request.output, &error);
        if (!psTemp.empty()) {
            if (ok) {
                KeepPostScript(psTemp, KeptPostScriptName(request.output));
            } else {
                unlink(psTemp.c_str());
            }
        }
    }
    if (!ok) {
        std::fprintf(stderr, "quillon-pdfconv: %s: %s\n", request.source.c_str(), error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    quillon::Request request;
    if (!quillon::ParseArgs(argc, argv, request)) {
        std::fprintf(stderr,
                     "usage: quillon-pdfconv -PS <source> -OUT:<output.ps>\n"
                     "       quillon-pdfconv -PDF <source> -OUT:<output.pdf> [- KEEPPS]\n");
        return 1;
    }
    // Only files and standard error carry results; the chatter of the programs run here
    // (LibreOffice tells every conversion) goes nowhere.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("quillon-pdfconv: /dev/null");
        return 2;
    }
    // No window is ever shown: the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/quillon-conv-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("quillon-pdfconv: mkdtemp");
        return 2;
    }
    // Qt's runtime files go into the private folder too, so nothing is left behind.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
    }
    int code = 2;
    {
        QGuiApplication app(argc, argv);
        code = quillon::Convert(request, folder);
    }
    quillon::RemoveTree(folder);
    return code;
}
