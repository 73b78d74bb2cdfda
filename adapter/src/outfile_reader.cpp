#include "outfile_reader.h"

#include "common/free_format.h"

namespace pellmar {

OutFileRead ReadOutFileValues(std::string_view text, double* values, int count) {
  common::FreeFormatCursor cursor(text);
  for (int i = 0; i < count; ++i) {
    cursor.SkipBlanksAndLineEnds();
    if (cursor.AtEnd()) return {ExchangeError::EndOfFile, cursor.Line()};
    const char first = cursor.Peek();
    if (first != ',' && first != '/') {
      std::string_view field = cursor.TakeField(",/");
      double value = 0;
      switch (common::ParseFreeValue(field, value)) {
        case common::FreeValueStatus::Ok: values[i] = value; break;
        case common::FreeValueStatus::Syntax: return {ExchangeError::SyntaxError, cursor.Line()};
        case common::FreeValueStatus::Conversion: return {ExchangeError::ConversionError, cursor.Line()};
      }
    }
    cursor.SkipRestOfLine();
  }
  return {};
}

}  // namespace pellmar
