#include "controls/report_header.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>

#include <algorithm>

#include "controls/report_list_model.h"

namespace tav {

CXHeaderCtrl::CXHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setObjectName(QStringLiteral("CXHeaderCtrl"));
  setSectionsClickable(false);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignCenter);
  // The last column takes the rest of the width, so that the header is
  // painted up to the list's right edge.
  setStretchLastSection(true);
}

CXHeaderCtrl::~CXHeaderCtrl() = default;

void CXHeaderCtrl::SetSpacing(int spacing) {
  spacing_ = std::max(spacing, 0);
  viewport()->update();
}

void CXHeaderCtrl::SetHeaderFont(const QFont& font) {
  owner_draw_ = true;
  setFont(font);
  updateGeometry();
  viewport()->update();
}

QFont CXHeaderCtrl::OwnerDrawFont() const {
  // The owner-draw headings use a fixed 8-point face: the application's
  // default family, at 8 points.
  QFont font(QApplication::font().family());
  font.setPointSize(8);
  return font;
}

QSize CXHeaderCtrl::TextSize(const QString& text) const {
  if (owner_draw_) {
    return QFontMetrics(OwnerDrawFont()).size(0, text);
  }
  QString line = text;
  line.replace(u'\n', u' ');
  return fontMetrics().size(Qt::TextSingleLine, line);
}

QRect CXHeaderCtrl::CheckboxRectIn(const QRect& section) const {
  QStyleOptionButton option;
  option.initFrom(this);
  const int side = std::min(style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this),
                            std::max(section.height() - 2, 1));
  return QRect(section.left() + spacing_, section.top() + (section.height() - side) / 2, side,
               side);
}

QRect CXHeaderCtrl::CheckboxRect(int logical_index) const {
  if (model() == nullptr || logical_index < 0 || logical_index >= count()) return {};
  const int image =
      model()->headerData(logical_index, orientation(), ReportListModel::kHeaderImageRole).toInt();
  if (image != kHeaderUnchecked && image != kHeaderChecked) return {};
  const QRect section(sectionViewportPosition(logical_index), 0, sectionSize(logical_index),
                      height());
  return CheckboxRectIn(section);
}

int CXHeaderCtrl::HeadingWidth(int logical_index) const {
  if (model() == nullptr || logical_index < 0 || logical_index >= count()) return 0;
  const QString text =
      model()->headerData(logical_index, orientation(), Qt::DisplayRole).toString();
  int width = TextSize(text).width() + 2 * spacing_;
  const QRect box = CheckboxRect(logical_index);
  if (!box.isEmpty()) width += box.width() + spacing_;
  return width;
}

QSize CXHeaderCtrl::sectionSizeFromContents(int logical_index) const {
  QSize size = QHeaderView::sectionSizeFromContents(logical_index);
  if (model() == nullptr) return size;
  const QString text = model()->headerData(logical_index, orientation(), Qt::DisplayRole).toString();
  const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
  // The header's own font sets the height; owner-draw text on more lines
  // than that font's line holds makes it taller still.
  int height = fontMetrics().height() + 2 * margin;
  height = std::max(height, TextSize(text).height() + 2 * margin);
  size.setHeight(height);
  return size;
}

QSize CXHeaderCtrl::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
  int height = fontMetrics().height() + 2 * margin;
  for (int i = 0; i < count(); ++i) height = std::max(height, sectionSizeFromContents(i).height());
  size.setHeight(height);
  return size;
}

void CXHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logical_index) const {
  if (!rect.isValid() || model() == nullptr) return;
  QStyleOptionHeader option;
  initStyleOption(&option);
  option.rect = rect;
  option.section = logical_index;
  option.state |= QStyle::State_Raised;
  if (isEnabled()) option.state |= QStyle::State_Enabled;
  option.text.clear();
  option.icon = QIcon();
  style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

  QRect room = rect.adjusted(spacing_, 0, -spacing_, 0);
  const int image =
      model()->headerData(logical_index, orientation(), ReportListModel::kHeaderImageRole).toInt();
  if (image == kHeaderUnchecked || image == kHeaderChecked) {
    QStyleOptionButton box;
    box.initFrom(this);
    box.rect = CheckboxRectIn(rect);
    box.state = (isEnabled() ? QStyle::State_Enabled : QStyle::State_None) |
                (image == kHeaderChecked ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, this);
    room.setLeft(box.rect.right() + 1 + spacing_);
  }
  if (room.width() <= 0) return;

  const QString text = model()->headerData(logical_index, orientation(), Qt::DisplayRole).toString();
  painter->save();
  painter->setClipRect(rect);
  painter->setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                  QPalette::ButtonText));
  if (owner_draw_) {
    painter->setFont(OwnerDrawFont());
    painter->drawText(room, Qt::AlignCenter, text);
  } else {
    QString line = text;
    line.replace(u'\n', u' ');
    painter->setFont(font());
    painter->drawText(room, Qt::AlignCenter | Qt::TextSingleLine,
                      painter->fontMetrics().elidedText(line, Qt::ElideRight, room.width()));
  }
  painter->restore();
}

}  // namespace tav
