#include "platform/code_page_names.h"

#include <iterator>

#include "core/text.h"

namespace zorapi::platform {
namespace {

// The registered names and aliases of the common charsets, with the code
// page Windows gives each. ISO-8859-11 has no code page of its own: the Thai
// windows-874 is its superset. EUC-KR is read through code page 949, which
// holds all of it.
constexpr TCodePageName kCodePageNames[] = {
    // US-ASCII and the Unicode forms
    {u"US-ASCII", 20127}, {u"ANSI_X3.4-1968", 20127}, {u"ANSI_X3.4-1986", 20127}, {u"iso-ir-6", 20127},
    {u"ISO_646.irv:1991", 20127}, {u"ISO646-US", 20127}, {u"ASCII", 20127}, {u"us", 20127},
    {u"IBM367", 20127}, {u"cp367", 20127}, {u"csASCII", 20127},
    {u"UTF-8", 65001}, {u"csUTF8", 65001}, {u"UTF8", 65001}, {u"unicode-1-1-utf-8", 65001},
    {u"UTF-7", 65000}, {u"csUTF7", 65000},
    {u"UTF-16", 1200}, {u"csUTF16", 1200}, {u"UTF-16LE", 1200}, {u"csUTF16LE", 1200},
    {u"ISO-10646-UCS-2", 1200}, {u"csUnicode", 1200}, {u"UCS-2", 1200}, {u"unicode", 1200},
    {u"UTF-16BE", 1201}, {u"csUTF16BE", 1201}, {u"unicodeFFFE", 1201},
    {u"UTF-32", 12000}, {u"csUTF32", 12000}, {u"UTF-32LE", 12000}, {u"csUTF32LE", 12000},
    {u"ISO-10646-UCS-4", 12000}, {u"csUCS4", 12000}, {u"UCS-4", 12000}, {u"UCS-4LE", 12000},
    {u"UTF-32BE", 12001}, {u"csUTF32BE", 12001}, {u"UCS-4BE", 12001},

    // ISO 8859
    {u"ISO-8859-1", 28591}, {u"ISO_8859-1:1987", 28591}, {u"iso-ir-100", 28591}, {u"ISO_8859-1", 28591},
    {u"latin1", 28591}, {u"l1", 28591}, {u"IBM819", 28591}, {u"CP819", 28591}, {u"csISOLatin1", 28591},
    {u"ISO-8859-2", 28592}, {u"ISO_8859-2:1987", 28592}, {u"iso-ir-101", 28592}, {u"ISO_8859-2", 28592},
    {u"latin2", 28592}, {u"l2", 28592}, {u"csISOLatin2", 28592},
    {u"ISO-8859-3", 28593}, {u"ISO_8859-3:1988", 28593}, {u"iso-ir-109", 28593}, {u"ISO_8859-3", 28593},
    {u"latin3", 28593}, {u"l3", 28593}, {u"csISOLatin3", 28593},
    {u"ISO-8859-4", 28594}, {u"ISO_8859-4:1988", 28594}, {u"iso-ir-110", 28594}, {u"ISO_8859-4", 28594},
    {u"latin4", 28594}, {u"l4", 28594}, {u"csISOLatin4", 28594},
    {u"ISO-8859-5", 28595}, {u"ISO_8859-5:1988", 28595}, {u"iso-ir-144", 28595}, {u"ISO_8859-5", 28595},
    {u"cyrillic", 28595}, {u"csISOLatinCyrillic", 28595},
    {u"ISO-8859-6", 28596}, {u"ISO_8859-6:1987", 28596}, {u"iso-ir-127", 28596}, {u"ISO_8859-6", 28596},
    {u"ECMA-114", 28596}, {u"ASMO-708", 28596}, {u"arabic", 28596}, {u"csISOLatinArabic", 28596},
    {u"ISO-8859-6-E", 28596}, {u"ISO_8859-6-E", 28596}, {u"csISO88596E", 28596},
    {u"ISO-8859-6-I", 28596}, {u"ISO_8859-6-I", 28596}, {u"csISO88596I", 28596},
    {u"ISO-8859-7", 28597}, {u"ISO_8859-7:1987", 28597}, {u"iso-ir-126", 28597}, {u"ISO_8859-7", 28597},
    {u"ELOT_928", 28597}, {u"ECMA-118", 28597}, {u"greek", 28597}, {u"greek8", 28597},
    {u"csISOLatinGreek", 28597},
    {u"ISO-8859-8", 28598}, {u"ISO_8859-8:1988", 28598}, {u"iso-ir-138", 28598}, {u"ISO_8859-8", 28598},
    {u"hebrew", 28598}, {u"csISOLatinHebrew", 28598},
    {u"ISO-8859-8-E", 28598}, {u"ISO_8859-8-E", 28598}, {u"csISO88598E", 28598},
    {u"ISO-8859-8-I", 38598}, {u"ISO_8859-8-I", 38598}, {u"csISO88598I", 38598},
    {u"ISO-8859-9", 28599}, {u"ISO_8859-9:1989", 28599}, {u"iso-ir-148", 28599}, {u"ISO_8859-9", 28599},
    {u"latin5", 28599}, {u"l5", 28599}, {u"csISOLatin5", 28599},
    {u"ISO-8859-10", 28600}, {u"iso-ir-157", 28600}, {u"l6", 28600}, {u"ISO_8859-10:1992", 28600},
    {u"csISOLatin6", 28600}, {u"latin6", 28600},
    {u"ISO-8859-11", 874}, {u"TIS-620", 874}, {u"csTIS620", 874},
    {u"ISO-8859-13", 28603}, {u"csISO885913", 28603},
    {u"ISO-8859-14", 28604}, {u"iso-ir-199", 28604}, {u"ISO_8859-14:1998", 28604}, {u"ISO_8859-14", 28604},
    {u"latin8", 28604}, {u"iso-celtic", 28604}, {u"l8", 28604}, {u"csISO885914", 28604},
    {u"ISO-8859-15", 28605}, {u"ISO_8859-15", 28605}, {u"Latin-9", 28605}, {u"csISO885915", 28605},
    {u"ISO-8859-16", 28606}, {u"iso-ir-226", 28606}, {u"ISO_8859-16:2001", 28606}, {u"ISO_8859-16", 28606},
    {u"latin10", 28606}, {u"l10", 28606}, {u"csISO885916", 28606},

    // Windows
    {u"windows-874", 874}, {u"cswindows874", 874},
    {u"windows-1250", 1250}, {u"cswindows1250", 1250}, {u"windows-1251", 1251}, {u"cswindows1251", 1251},
    {u"windows-1252", 1252}, {u"cswindows1252", 1252}, {u"windows-1253", 1253}, {u"cswindows1253", 1253},
    {u"windows-1254", 1254}, {u"cswindows1254", 1254}, {u"windows-1255", 1255}, {u"cswindows1255", 1255},
    {u"windows-1256", 1256}, {u"cswindows1256", 1256}, {u"windows-1257", 1257}, {u"cswindows1257", 1257},
    {u"windows-1258", 1258}, {u"cswindows1258", 1258},

    // Cyrillic
    {u"KOI8-R", 20866}, {u"csKOI8R", 20866}, {u"KOI8-U", 21866}, {u"csKOI8U", 21866},

    // East Asian
    {u"Shift_JIS", 932}, {u"MS_Kanji", 932}, {u"csShiftJIS", 932},
    {u"Windows-31J", 932}, {u"csWindows31J", 932},
    {u"EUC-JP", 20932}, {u"Extended_UNIX_Code_Packed_Format_for_Japanese", 20932},
    {u"csEUCPkdFmtJapanese", 20932},
    {u"ISO-2022-JP", 50220}, {u"csISO2022JP", 50220},
    {u"ISO-2022-KR", 50225}, {u"csISO2022KR", 50225},
    {u"GBK", 936}, {u"CP936", 936}, {u"MS936", 936}, {u"windows-936", 936}, {u"csGBK", 936},
    {u"GB2312", 936}, {u"csGB2312", 936}, {u"GB_2312-80", 936}, {u"iso-ir-58", 936}, {u"chinese", 936},
    {u"csISO58GB231280", 936},
    {u"GB18030", 54936}, {u"csGB18030", 54936},
    {u"HZ-GB-2312", 52936},
    {u"Big5", 950}, {u"csBig5", 950}, {u"Big5-HKSCS", 950}, {u"csBig5HKSCS", 950},
    {u"EUC-KR", 949}, {u"csEUCKR", 949},
    {u"KS_C_5601-1987", 949}, {u"iso-ir-149", 949}, {u"KS_C_5601-1989", 949}, {u"KSC_5601", 949},
    {u"korean", 949}, {u"csKSC56011987", 949},

    // EBCDIC
    {u"IBM037", 37}, {u"cp037", 37}, {u"ebcdic-cp-us", 37}, {u"ebcdic-cp-ca", 37}, {u"ebcdic-cp-wt", 37},
    {u"ebcdic-cp-nl", 37}, {u"csIBM037", 37},
    {u"IBM273", 20273}, {u"CP273", 20273}, {u"csIBM273", 20273},
    {u"IBM277", 20277}, {u"EBCDIC-CP-DK", 20277}, {u"EBCDIC-CP-NO", 20277}, {u"csIBM277", 20277},
    {u"IBM278", 20278}, {u"CP278", 20278}, {u"ebcdic-cp-fi", 20278}, {u"ebcdic-cp-se", 20278},
    {u"csIBM278", 20278},
    {u"IBM280", 20280}, {u"CP280", 20280}, {u"ebcdic-cp-it", 20280}, {u"csIBM280", 20280},
    {u"IBM284", 20284}, {u"CP284", 20284}, {u"ebcdic-cp-es", 20284}, {u"csIBM284", 20284},
    {u"IBM285", 20285}, {u"CP285", 20285}, {u"ebcdic-cp-gb", 20285}, {u"csIBM285", 20285},
    {u"IBM290", 20290}, {u"cp290", 20290}, {u"EBCDIC-JP-kana", 20290}, {u"csIBM290", 20290},
    {u"IBM297", 20297}, {u"cp297", 20297}, {u"ebcdic-cp-fr", 20297}, {u"csIBM297", 20297},
    {u"IBM420", 20420}, {u"cp420", 20420}, {u"ebcdic-cp-ar1", 20420}, {u"csIBM420", 20420},
    {u"IBM423", 20423}, {u"cp423", 20423}, {u"ebcdic-cp-gr", 20423}, {u"csIBM423", 20423},
    {u"IBM424", 20424}, {u"cp424", 20424}, {u"ebcdic-cp-he", 20424}, {u"csIBM424", 20424},
    {u"IBM500", 500}, {u"CP500", 500}, {u"ebcdic-cp-be", 500}, {u"ebcdic-cp-ch", 500}, {u"csIBM500", 500},
    {u"IBM-Thai", 20838}, {u"csIBMThai", 20838},
    {u"IBM870", 870}, {u"CP870", 870}, {u"ebcdic-cp-roece", 870}, {u"ebcdic-cp-yu", 870},
    {u"csIBM870", 870},
    {u"IBM871", 20871}, {u"CP871", 20871}, {u"ebcdic-cp-is", 20871}, {u"csIBM871", 20871},
    {u"IBM880", 20880}, {u"cp880", 20880}, {u"EBCDIC-Cyrillic", 20880}, {u"csIBM880", 20880},
    {u"IBM905", 20905}, {u"CP905", 20905}, {u"ebcdic-cp-tr", 20905}, {u"csIBM905", 20905},
    {u"IBM00924", 20924}, {u"CCSID00924", 20924}, {u"CP00924", 20924}, {u"ebcdic-Latin9--euro", 20924},
    {u"csIBM00924", 20924},
    {u"IBM1026", 1026}, {u"CP1026", 1026}, {u"csIBM1026", 1026},
    {u"IBM1047", 1047}, {u"IBM-1047", 1047}, {u"csIBM1047", 1047},
    {u"IBM01140", 1140}, {u"CCSID01140", 1140}, {u"CP01140", 1140}, {u"ebcdic-us-37+euro", 1140},
    {u"csIBM01140", 1140},
    {u"IBM01141", 1141}, {u"CCSID01141", 1141}, {u"CP01141", 1141}, {u"ebcdic-de-273+euro", 1141},
    {u"csIBM01141", 1141},
    {u"IBM01142", 1142}, {u"CCSID01142", 1142}, {u"CP01142", 1142}, {u"ebcdic-dk-277+euro", 1142},
    {u"ebcdic-no-277+euro", 1142}, {u"csIBM01142", 1142},
    {u"IBM01143", 1143}, {u"CCSID01143", 1143}, {u"CP01143", 1143}, {u"ebcdic-fi-278+euro", 1143},
    {u"ebcdic-se-278+euro", 1143}, {u"csIBM01143", 1143},
    {u"IBM01144", 1144}, {u"CCSID01144", 1144}, {u"CP01144", 1144}, {u"ebcdic-it-280+euro", 1144},
    {u"csIBM01144", 1144},
    {u"IBM01145", 1145}, {u"CCSID01145", 1145}, {u"CP01145", 1145}, {u"ebcdic-es-284+euro", 1145},
    {u"csIBM01145", 1145},
    {u"IBM01146", 1146}, {u"CCSID01146", 1146}, {u"CP01146", 1146}, {u"ebcdic-gb-285+euro", 1146},
    {u"csIBM01146", 1146},
    {u"IBM01147", 1147}, {u"CCSID01147", 1147}, {u"CP01147", 1147}, {u"ebcdic-fr-297+euro", 1147},
    {u"csIBM01147", 1147},
    {u"IBM01148", 1148}, {u"CCSID01148", 1148}, {u"CP01148", 1148}, {u"ebcdic-international-500+euro", 1148},
    {u"csIBM01148", 1148},
    {u"IBM01149", 1149}, {u"CCSID01149", 1149}, {u"CP01149", 1149}, {u"ebcdic-is-871+euro", 1149},
    {u"csIBM01149", 1149},

    // DOS
    {u"IBM437", 437}, {u"cp437", 437}, {u"437", 437}, {u"csPC8CodePage437", 437},
    {u"IBM775", 775}, {u"cp775", 775}, {u"csPC775Baltic", 775},
    {u"IBM850", 850}, {u"cp850", 850}, {u"850", 850}, {u"csPC850Multilingual", 850},
    {u"IBM852", 852}, {u"cp852", 852}, {u"852", 852}, {u"csPCp852", 852},
    {u"IBM855", 855}, {u"cp855", 855}, {u"855", 855}, {u"csIBM855", 855},
    {u"IBM857", 857}, {u"cp857", 857}, {u"857", 857}, {u"csIBM857", 857},
    {u"IBM00858", 858}, {u"CCSID00858", 858}, {u"CP00858", 858}, {u"PC-Multilingual-850+euro", 858},
    {u"csIBM00858", 858},
    {u"IBM860", 860}, {u"cp860", 860}, {u"860", 860}, {u"csIBM860", 860},
    {u"IBM861", 861}, {u"cp861", 861}, {u"861", 861}, {u"cp-is", 861}, {u"csIBM861", 861},
    {u"IBM862", 862}, {u"cp862", 862}, {u"862", 862}, {u"csPC862LatinHebrew", 862},
    {u"IBM863", 863}, {u"cp863", 863}, {u"863", 863}, {u"csIBM863", 863},
    {u"IBM864", 864}, {u"cp864", 864}, {u"csIBM864", 864},
    {u"IBM865", 865}, {u"cp865", 865}, {u"865", 865}, {u"csIBM865", 865},
    {u"IBM866", 866}, {u"cp866", 866}, {u"866", 866}, {u"csIBM866", 866},
    {u"IBM869", 869}, {u"cp869", 869}, {u"869", 869}, {u"cp-gr", 869}, {u"csIBM869", 869},

    // Macintosh
    {u"macintosh", 10000}, {u"mac", 10000}, {u"csMacintosh", 10000},
};

// One of the library's own codecs, handed out as an owned codec.
class TSharedEncoding final : public TIdTextEncoding {
 public:
  explicit TSharedEncoding(const TIdTextEncoding& ACodec) : FCodec(ACodec) {}
  void GetBytes(std::u16string_view text, std::vector<std::uint8_t>& out) const override {
    FCodec.GetBytes(text, out);
  }
  std::u16string GetString(const std::uint8_t* bytes, std::size_t count) const override {
    return FCodec.GetString(bytes, count);
  }

 private:
  const TIdTextEncoding& FCodec;
};

}  // namespace

std::uint32_t CodePageOfCharset(std::u16string_view ACharset) {
  for (const TCodePageName& row : kCodePageNames)
    if (SameText(row.Name, ACharset)) return row.CodePage;
  return 0;
}

const TCodePageName* CodePageNamesBegin() { return std::begin(kCodePageNames); }
const TCodePageName* CodePageNamesEnd() { return std::end(kCodePageNames); }

std::unique_ptr<TIdTextEncoding> LibraryEncodingOf(std::uint32_t ACodePage) {
  switch (ACodePage) {
    case Id_CP_USASCII: return std::make_unique<TSharedEncoding>(ASCIIEncoding());
    case Id_CP_UTF8: return std::make_unique<TSharedEncoding>(UTF8Encoding());
    case Id_CP_UTF16LE: return std::make_unique<TSharedEncoding>(UTF16LEEncoding());
    case Id_CP_UTF16BE: return std::make_unique<TSharedEncoding>(UTF16BEEncoding());
    default: return nullptr;
  }
}

}  // namespace zorapi::platform
