#include "historyview/uploadreport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/replacefile.h"
#include "historyview/recordwords.h"

namespace {

constexpr int kDpi = 300;
constexpr double kMarginMm = 18.0;
constexpr double kLargestPoints = 10.0;  // the body text, as long as the page holds it
constexpr double kSmallestPoints = 5.0;

QString U(const std::string& utf8) { return QString::fromStdString(utf8); }

// The page's blocks, drawn top to bottom; each is measured before it is drawn.
struct Block {
  enum Kind { Title, Field, Heading, Line, Indented, Signature } kind;
  QString label;
  QString text;
};

std::vector<Block> Blocks(const UploadRecord& record) {
  std::vector<Block> blocks;
  blocks.push_back({Block::Title, {}, QString("KORA-1 programming record %1").arg(record.id)});
  for (const RecordField& field : RecordSummary(record)) {
    blocks.push_back({Block::Field, U(field.label), U(field.value)});
  }
  blocks.push_back({Block::Heading, {}, "Values sent"});
  for (const std::string& line : RecordDataLines(record.start)) {
    const bool indented = line.rfind("    ", 0) == 0;
    blocks.push_back({indented ? Block::Indented : Block::Line, {}, U(line).trimmed()});
  }
  blocks.push_back({Block::Signature, {}, {}});
  return blocks;
}

// Lays the blocks out in width at body size points; draws them when painter
// is active for drawing (draw), and returns the height they take.
class PageLayout {
 public:
  PageLayout(QPainter& painter, int width, double points) : p_(painter), width_(width) {
    body_ = QFont("DejaVu Sans");
    body_.setStyleHint(QFont::SansSerif);
    body_.setPointSizeF(points);
    // No ligatures: the PDF's text must read back, and search, as written
    // ("Source file", not "Source \uFB01le").
    body_.setStyleStrategy(QFont::PreferNoShaping);
    bold_ = body_;
    bold_.setBold(true);
    title_ = bold_;
    title_.setPointSizeF(points * 1.6);
    heading_ = bold_;
    heading_.setPointSizeF(points * 1.2);
  }

  int Run(const std::vector<Block>& blocks, bool draw) {
    int y = 0;
    const int gap = QFontMetrics(body_, p_.device()).height() / 2;
    const QFontMetrics boldMetrics(bold_, p_.device());
    const int labelWidth = boldMetrics.horizontalAdvance("Characters sent again") + gap * 2;
    for (const Block& block : blocks) {
      switch (block.kind) {
        case Block::Title:
          y += Text(title_, 0, y, width_, block.text, draw) + gap;
          break;
        case Block::Field: {
          const int h1 = Text(bold_, 0, y, labelWidth, block.label, draw);
          const int h2 = Text(body_, labelWidth, y, width_ - labelWidth, block.text, draw);
          y += std::max(h1, h2);
          break;
        }
        case Block::Heading:
          y += gap;
          y += Text(heading_, 0, y, width_, block.text, draw) + gap / 2;
          break;
        case Block::Line:
          y += Text(body_, 0, y, width_, block.text, draw);
          break;
        case Block::Indented:
          y += Text(body_, gap * 3, y, width_ - gap * 3, block.text, draw);
          break;
        case Block::Signature:
          y += Signature(y + gap * 4, gap, draw) + gap * 4;
          break;
      }
    }
    return y;
  }

 private:
  int Text(const QFont& font, int x, int y, int width, const QString& text, bool draw) {
    // Words wrap at blanks; a long run without one (a digest, a path) wraps
    // where it must instead of running off the page.
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QRectF box(x, y, width, 1 << 20);
    p_.setFont(font);
    const QRectF used = p_.boundingRect(box, text, option);
    if (draw) p_.drawText(box, text, option);
    return static_cast<int>(std::ceil(used.height()));
  }

  // "Name", "Signature" and "Date", each under a line to write on.
  int Signature(int y, int gap, bool draw) {
    const int line = QFontMetrics(body_, p_.device()).height();
    const int third = width_ / 3;
    const char* captions[] = {"Name", "Signature", "Date"};
    for (int i = 0; i < 3; ++i) {
      const int x = i * third;
      if (draw) {
        p_.drawLine(x, y + line * 2, x + third - gap * 2, y + line * 2);
        p_.setFont(body_);
        p_.drawText(QRect(x, y + line * 2 + gap / 2, third - gap * 2, line), Qt::AlignLeft,
                    captions[i]);
      }
    }
    return line * 3 + gap / 2;
  }

  QPainter& p_;
  int width_;
  QFont body_, bold_, title_, heading_;
};

bool Render(const UploadRecord& record, ReportPaper paper, QByteArray& pdf) {
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(kDpi);
  writer.setTitle(QString("KORA-1 programming record %1").arg(record.id));
  writer.setCreator("KORApc");
  writer.setPageLayout(
      QPageLayout(QPageSize(paper == ReportPaper::Letter ? QPageSize::Letter : QPageSize::A4),
                  QPageLayout::Portrait, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                  QPageLayout::Millimeter));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const QRect area = writer.pageLayout().paintRectPixels(kDpi);
  const int width = area.width();
  const int height = area.height();
  const std::vector<Block> blocks = Blocks(record);
  // The largest size that keeps everything on the one page.
  double points = kLargestPoints;
  while (points > kSmallestPoints &&
         PageLayout(painter, width, points).Run(blocks, false) > height) {
    points -= 0.5;
  }
  PageLayout(painter, width, points).Run(blocks, true);
  return painter.end();
}

}  // namespace

ReportPaper ReportPaperFor(const std::string& localeName) {
  if (localeName.empty()) return ReportPaper::A4;
  const QString name = U(localeName).section('.', 0, 0).section('@', 0, 0);
  const QLocale locale(name);
  // Unknown names give the C locale, whose territory is AnyTerritory.
  switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::PuertoRico:
    case QLocale::Philippines:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::Belize:
    case QLocale::CostaRica:
    case QLocale::ElSalvador:
    case QLocale::Guatemala:
    case QLocale::Nicaragua:
    case QLocale::Panama:
      return ReportPaper::Letter;
    default:
      return ReportPaper::A4;
  }
}

ReportPaper SystemReportPaper() {
  for (const char* variable : {"LC_ALL", "LC_PAPER"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return ReportPaperFor(value);
  }
  return ReportPaperFor(QLocale::system().name().toStdString());
}

bool WriteUploadReport(const UploadRecord& record, const std::string& path, ReportPaper paper,
                       std::string& error) {
  QByteArray pdf;
  if (!Render(record, paper, pdf)) {
    error = "the page could not be drawn";
    return false;
  }
  // Written whole or not at all: a half-written report would not open.
  const std::string_view bytes(pdf.constData(), static_cast<std::size_t>(pdf.size()));
  if (!ReplaceFileContents(path, bytes)) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteUploadReportOffscreen(const UploadRecord& record, const std::string& path,
                                std::string& error) {
  std::unique_ptr<QGuiApplication> own;
  if (QCoreApplication::instance() == nullptr) {
    // No display is needed to draw into a PDF, and none may be there.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "korapc-program";
    static char* argv[] = {name, nullptr};
    own = std::make_unique<QGuiApplication>(argc, argv);
  } else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    error = "the report needs a graphical Qt application object";
    return false;
  }
  return WriteUploadReport(record, path, SystemReportPaper(), error);
}
