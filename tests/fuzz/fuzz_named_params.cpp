// Fuzzes the conversion of ":name" parameters into "?" markers with any
// statement text. Besides not crashing, the conversion must
// - fail only with the parse error (client error 55);
// - never lengthen the text: a marker and its name become one "?";
// - leave a text without ":" and "?" exactly as it is, with no names;
// - give the same text and names with generated names allowed whenever it
//   succeeds without them (generation only changes what would have failed).
#include "FuzzSupport.h"

#include "ibclient/sql/TIBSQL.h"

#include <optional>

namespace {

std::optional<TIBSQL::TConvertedSQL> Convert(const QString& text, bool generate)
{
    try {
        return TIBSQL::ConvertNamedParams(text, generate);
    } catch (const EIBClientError& e) {
        FUZZ_CHECK(fuzz::HasCode(e, {ceSQLParseError}), e.Message());
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::Utf8(data, size);
    const std::optional<TIBSQL::TConvertedSQL> strict = Convert(text, false);
    const std::optional<TIBSQL::TConvertedSQL> generated = Convert(text, true);
    for (const auto* out : {&strict, &generated})
        if (*out)
            FUZZ_CHECK((*out)->Text.size() <= text.size(), (*out)->Text);
    if (strict) {
        FUZZ_CHECK(generated.has_value(), text);
        FUZZ_CHECK(generated->Text == strict->Text && generated->Names == strict->Names, text);
        if (!text.contains(u':') && !text.contains(u'?'))
            FUZZ_CHECK(strict->Text == text && strict->Names.isEmpty(), text);
    }
    return 0;
}
