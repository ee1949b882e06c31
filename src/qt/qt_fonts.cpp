#include "qt/qt_fonts.h"

#include <QColor>
#include <QFontDatabase>
#include <QHash>
#include <mutex>

namespace synt::qt {

namespace {

struct TSubstitute {
  const char16_t* Name;
  const char* Families[3];
};

// Metric-compatible families first; DejaVu where Liberation has no counterpart.
const TSubstitute kSubstitutes[] = {
    {u"courier new", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"courier", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"consolas", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"lucida console", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"fixedsys", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"terminal", {"Liberation Mono", "DejaVu Sans Mono", nullptr}},
    {u"arial", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"helvetica", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"ms sans serif", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"microsoft sans serif", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"ms shell dlg", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"ms shell dlg 2", {"Liberation Sans", "DejaVu Sans", nullptr}},
    {u"tahoma", {"DejaVu Sans", "Liberation Sans", nullptr}},
    {u"verdana", {"DejaVu Sans", "Liberation Sans", nullptr}},
    {u"segoe ui", {"DejaVu Sans", "Liberation Sans", nullptr}},
    {u"times new roman", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {u"times", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {u"ms serif", {"Liberation Serif", "DejaVu Serif", nullptr}},
    {u"georgia", {"DejaVu Serif", "Liberation Serif", nullptr}},
};

QString Lower(std::u16string_view s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size())).toLower();
}

}  // namespace

QString SubstituteFamily(std::u16string_view Name) {
  static std::mutex mutex;
  static QHash<QString, QString> cache;
  const QString key = Lower(Name);
  std::lock_guard lock(mutex);
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  QString result = QString::fromUtf16(Name.data(), qsizetype(Name.size()));
  for (const TSubstitute& s : kSubstitutes) {
    if (key != QString::fromUtf16(s.Name)) continue;
    for (const char* f : s.Families)
      if (f && QFontDatabase::hasFamily(QString::fromLatin1(f))) {
        result = QString::fromLatin1(f);
        break;
      }
    break;
  }
  cache.insert(key, result);
  return result;
}

QFont ToQFont(const TFont& Font, int DevicePixelsPerInch) {
  QFont f(SubstituteFamily(Font.Name()));
  // Height < 0: the character height in pixels of the font's resolution; > 0: the cell height,
  // of which the character takes about seven eighths.
  const int ppi = Font.PixelsPerInch() > 0 ? Font.PixelsPerInch() : 96;
  int px = Font.Height() < 0 ? -Font.Height() : (Font.Height() * 7 + 4) / 8;
  if (DevicePixelsPerInch != ppi) px = (px * DevicePixelsPerInch + ppi / 2) / ppi;
  f.setPixelSize(std::max(1, px));
  const TFontStyles s = Font.Style();
  f.setBold(s.Contains(fsBold));
  f.setItalic(s.Contains(fsItalic));
  f.setUnderline(s.Contains(fsUnderline));
  f.setStrikeOut(s.Contains(fsStrikeOut));
  if (Font.Pitch() == fpFixed) {
    f.setFixedPitch(true);
    f.setStyleHint(QFont::Monospace);
  }
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  return f;
}

QColor ToQColor(TColor Color) {
  if (Color == clNone || Color == clDefault) return {};
  const uint32_t rgb = ColorToRGB(Color);
  return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

}  // namespace synt::qt
