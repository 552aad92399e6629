#include "app/DisplayText.h"

#include <QFile>

#include "platform/CodePage.h"
#include "platform/TextConvert.h"
#include "settings/AppData.h"

namespace pendrak {

QByteArray CodePageCodecName(int codePage) {
    switch (codePage) {
    case CP_UTF8_ID: return "UTF-8";
    case CP_GBK_ID: return "GBK";
    case 950: return "Big5";
    case 932: return "Shift_JIS";
    case 949: return "windows-949";
    case 54936: return "GB18030";
    case 20127: return "US-ASCII";
    case 28591: return "ISO-8859-1";
    default: break;
    }
    if (codePage >= 1250 && codePage <= 1258) return "windows-" + QByteArray::number(codePage);
    return "CP" + QByteArray::number(codePage);
}

QString CTextDecoder::Decode(std::string_view bytes) const {
    bool ascii = true;
    for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromStdString(ToUtf8(bytes, m_codePage));
}

QString FromProgramBytes(std::string_view bytes) { return CTextDecoder(GetProgramCodePage()).Decode(bytes); }

QString FromLangBytes(std::string_view bytes) {
    if (theAppData.m_langFile.StartsWithUtf8Bom())
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return FromProgramBytes(bytes);
}

QString LangString(const char* key) { return FromLangBytes(theAppData.GetLangString(key)); }

QString LangResource(int id) { return FromLangBytes(theAppData.GetLangResource(id)); }

QString LangStringOr(const char* key, const char* english) {
    const QString text = LangString(key);
    return text.isEmpty() ? QString::fromUtf8(english) : text;
}

std::string ToProgramBytes(const QString& text, bool* exact) {
    std::string bytes;
    *exact = FromUtf8(text.toUtf8().toStdString(), GetProgramCodePage(), bytes);
    return bytes;
}

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace pendrak
