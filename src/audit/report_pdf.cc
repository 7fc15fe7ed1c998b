#include "audit/report_pdf.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <numeric>
#include <vector>

namespace tav {
namespace {

constexpr double kBodyPoints = 8.0;
constexpr double kTitlePoints = 11.0;

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Breaks `text` into lines no wider than `width`: at line breaks, then at
// spaces, and within a word that is wider than a line on its own.
void Wrap(const QString& text, double width, const QFontMetricsF& metrics, QStringList* out) {
  out->clear();
  if (!text.contains(QLatin1Char('\n')) && metrics.horizontalAdvance(text) <= width) {
    out->push_back(text);
    return;
  }
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
      QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (metrics.horizontalAdvance(candidate) <= width) {
        line = std::move(candidate);
        continue;
      }
      if (!line.isEmpty()) out->push_back(line);
      line = word;
      // A word too wide for a line: as many characters as fit, line by line.
      while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
        qsizetype fit = 1;
        while (fit < line.size() && metrics.horizontalAdvance(line.left(fit + 1)) <= width) {
          ++fit;
        }
        out->push_back(line.left(fit));
        line = line.mid(fit);
      }
    }
    out->push_back(line);
  }
}

// One line of the body: pieces of text at their x positions.
struct Piece {
  double x;
  QString text;
  bool bold = false;
  bool below = false;  // a row's detail: painted after its cells
};
using Line = std::vector<Piece>;

class Layout {
 public:
  Layout(const AuditReport& report, QPaintDevice* device)
      : report_(report),
        device_(device),
        body_font_(QStringLiteral("DejaVu Sans")),
        bold_font_(body_font_),
        title_font_(body_font_),
        body_(QFont(), device),
        bold_(QFont(), device),
        title_(QFont(), device) {
    // Letter spacing keeps Qt from joining "fi" into one glyph, which
    // readers of the text (search, copy, pdftotext) would not find.
    body_font_.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
    bold_font_ = body_font_;
    title_font_ = body_font_;
    body_font_.setPointSizeF(kBodyPoints);
    bold_font_.setPointSizeF(kBodyPoints);
    bold_font_.setBold(true);
    title_font_.setPointSizeF(kTitlePoints);
    title_font_.setBold(true);
    body_ = QFontMetricsF(body_font_, device);
    bold_ = QFontMetricsF(bold_font_, device);
    title_ = QFontMetricsF(title_font_, device);
    width_ = device->width();
    height_ = device->height();
    line_ = body_.lineSpacing();
    gap_ = line_ / 3;
    const size_t columns = report.table.headings.size();
    std::vector<double> weights = report.column_weights;
    if (weights.size() != columns) weights.assign(columns, 1.0);
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    const double padding = body_.averageCharWidth();
    double x = 0;
    for (size_t c = 0; c < columns; ++c) {
      const double w = width_ * weights[c] / total;
      column_x_.push_back(x);
      column_w_.push_back(std::max(w - padding, padding));
      x += w;
    }
  }

  // Runs the layout; paints when `painter` is given. Returns the pages.
  int Run(QPainter* painter, QPagedPaintDevice* paged, int total_pages) {
    painter_ = painter;
    paged_ = paged;
    total_ = total_pages;
    page_ = 0;
    NewPage();
    // The reviews that cover the range, after the first header.
    std::vector<Line> block;
    block.push_back(Line{Piece{0, QStringLiteral("Reviews covering these records"), true}});
    if (report_.reviews.empty()) {
      AddWrapped(&block, 0, width_, QStringLiteral("None."), false);
    }
    for (const std::string& review : report_.reviews) {
      AddWrapped(&block, 0, width_, Q(review), false);
    }
    Place(block);
    y_ += gap_;
    Heading();

    const size_t columns = report_.table.headings.size();
    QStringList wrapped;
    for (size_t row = 0; row < report_.table.rows; ++row) {
      block.clear();
      for (size_t c = 0; c < columns; ++c) {
        Wrap(Q(report_.table.cell(row, c)), column_w_[c], body_, &wrapped);
        for (qsizetype i = 0; i < wrapped.size(); ++i) {
          if (static_cast<size_t>(i) >= block.size()) block.emplace_back();
          block[static_cast<size_t>(i)].push_back(Piece{column_x_[c], wrapped[i]});
        }
      }
      if (report_.detail) {
        const double indent = columns > 1 ? column_x_[1] : 0;
        AddWrapped(&block, indent, width_ - indent, Q(report_.detail(row)), false,
                   /*below=*/true);
      }
      Place(block, /*rows=*/true);
      y_ += gap_;
    }
    return page_;
  }

 private:
  void AddWrapped(std::vector<Line>* block, double x, double width, const QString& text,
                  bool bold, bool below = false) {
    if (text.isEmpty()) return;
    QStringList wrapped;
    Wrap(text, width, bold ? bold_ : body_, &wrapped);
    for (const QString& line : wrapped) block->push_back(Line{Piece{x, line, bold, below}});
  }

  // Puts a block of lines on the page, on a new one when it does not fit
  // but would fit on an empty page; a longer block runs over.
  void Place(const std::vector<Line>& block, bool rows = false) {
    const double needed = static_cast<double>(block.size()) * line_;
    if (y_ + needed > height_ && needed <= height_ - body_top_) {
      NewPage();
      if (rows) Heading();
    }
    size_t first = 0;  // the first line of the block on this page
    double top = y_;
    for (size_t i = 0; i < block.size(); ++i) {
      if (y_ + line_ > height_) {
        Paint(block, first, i, top);
        NewPage();
        if (rows) Heading();
        first = i;
        top = y_;
      }
      y_ += line_;
    }
    Paint(block, first, block.size(), top);
  }

  // Paints lines [first, end) of `block` from `top` down, column by column,
  // so that a text wrapped within its column comes whole to a reader that
  // takes the text in the order it was painted (copy, search, pdftotext).
  void Paint(const std::vector<Line>& block, size_t first, size_t end, double top) {
    if (painter_ == nullptr || first >= end) return;
    std::vector<std::pair<bool, double>> columns;  // (below, x)
    for (size_t i = first; i < end; ++i) {
      for (const Piece& piece : block[i]) {
        const std::pair<bool, double> column(piece.below, piece.x);
        if (std::find(columns.begin(), columns.end(), column) == columns.end()) {
          columns.push_back(column);
        }
      }
    }
    std::sort(columns.begin(), columns.end());
    for (const auto& column : columns) {
      for (size_t i = first; i < end; ++i) {
        for (const Piece& piece : block[i]) {
          if (std::pair<bool, double>(piece.below, piece.x) != column) continue;
          painter_->setFont(piece.bold ? bold_font_ : body_font_);
          painter_->drawText(
              QPointF(piece.x, top + static_cast<double>(i - first) * line_ + body_.ascent()),
              piece.text);
        }
      }
    }
  }

  // The column headings, in bold, and a rule under them.
  void Heading() {
    std::vector<Line> block;
    QStringList wrapped;
    for (size_t c = 0; c < report_.table.headings.size(); ++c) {
      Wrap(Q(report_.table.headings[c]), column_w_[c], bold_, &wrapped);
      for (qsizetype i = 0; i < wrapped.size(); ++i) {
        if (static_cast<size_t>(i) >= block.size()) block.emplace_back();
        block[static_cast<size_t>(i)].push_back(Piece{column_x_[c], wrapped[i], true});
      }
    }
    for (const Line& line : block) {
      if (painter_ != nullptr) {
        for (const Piece& piece : line) {
          painter_->setFont(bold_font_);
          painter_->drawText(QPointF(piece.x, y_ + bold_.ascent()), piece.text);
        }
      }
      y_ += line_;
    }
    if (painter_ != nullptr) painter_->drawLine(QPointF(0, y_ + 1), QPointF(width_, y_ + 1));
    y_ += gap_;
    body_top_ = std::min(y_, height_ / 2);
  }

  void NewPage() {
    if (page_ > 0 && paged_ != nullptr) paged_->newPage();
    ++page_;
    y_ = 0;
    const QString title = Q(report_.title);
    const QString page = QStringLiteral("Page %1 of %2").arg(page_).arg(total_);
    if (painter_ != nullptr) {
      painter_->setFont(title_font_);
      painter_->drawText(QPointF(0, title_.ascent()), title);
      painter_->setFont(body_font_);
      painter_->drawText(QPointF(width_ - body_.horizontalAdvance(page), title_.ascent()), page);
    }
    y_ += title_.lineSpacing() + gap_;
    // "Label: value", the values lined up after the widest label.
    double label_w = 0;
    for (const auto& [label, value] : report_.header) {
      label_w = std::max(label_w, bold_.horizontalAdvance(Q(label) + QStringLiteral(": ")));
    }
    QStringList wrapped;
    for (const auto& [label, value] : report_.header) {
      Wrap(Q(value), width_ - label_w, body_, &wrapped);
      for (qsizetype i = 0; i < wrapped.size(); ++i) {
        if (painter_ != nullptr) {
          if (i == 0) {
            painter_->setFont(bold_font_);
            painter_->drawText(QPointF(0, y_ + body_.ascent()), Q(label) + QStringLiteral(":"));
          }
          painter_->setFont(body_font_);
          painter_->drawText(QPointF(label_w, y_ + body_.ascent()), wrapped[i]);
        }
        y_ += line_;
      }
    }
    if (painter_ != nullptr) painter_->drawLine(QPointF(0, y_ + 2), QPointF(width_, y_ + 2));
    y_ += gap_ * 2;
    body_top_ = y_;
  }

  const AuditReport& report_;
  QPaintDevice* device_;
  QFont body_font_, bold_font_, title_font_;
  QFontMetricsF body_, bold_, title_;
  double width_ = 0, height_ = 0, line_ = 0, gap_ = 0;
  std::vector<double> column_x_, column_w_;
  QPainter* painter_ = nullptr;
  QPagedPaintDevice* paged_ = nullptr;
  int page_ = 0;
  int total_ = 0;
  double y_ = 0;
  double body_top_ = 0;  // where rows start on a page
};

}  // namespace

int PaintReport(const AuditReport& report, QPagedPaintDevice* device, std::string* error) {
  Layout layout(report, device);
  const int pages = layout.Run(nullptr, nullptr, 0);
  QPainter painter;
  if (!painter.begin(device)) {
    *error = "the report cannot be painted on the device";
    return 0;
  }
  layout.Run(&painter, device, pages);
  painter.end();
  return pages;
}

bool WriteReportPdf(const AuditReport& report, const std::string& path, std::string* error,
                    int* pages) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) {
    *error = path + ": " + file.errorString().toStdString();
    return false;
  }
  int count = 0;
  {
    QPdfWriter writer(&file);
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    writer.setTitle(QString::fromStdString(report.title));
    writer.setCreator(QStringLiteral("TAVSecurityUI"));
    count = PaintReport(report, &writer, error);
  }
  if (count == 0) {
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    *error = path + ": " + file.errorString().toStdString();
    return false;
  }
  if (pages != nullptr) *pages = count;
  return true;
}

}  // namespace tav
