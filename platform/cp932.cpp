#include "platform/cp932.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One converter per direction, kept for the life of the process (the UI thread is the only user).
class Converter {
public:
    Converter(const char* to, const char* from, bool utf8Source)
        : m_cd(iconv_open(to, from)), m_utf8Source(utf8Source)
    {
    }
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string Convert(std::string_view in, std::string_view replacement)
    {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return std::string(in);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buf[512];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, dst);
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // EILSEQ or EINVAL (a cut-off multibyte sequence): replace one byte, go on.
                out.append(replacement);
                ++src;
                --srcLeft;
                // A UTF-8 character that has no CP932 form is replaced once, not per byte.
                while (m_utf8Source && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
                    ++src;
                    --srcLeft;
                }
            }
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, dst);
        return out;
    }

private:
    iconv_t m_cd;
    bool m_utf8Source;
};

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    static Converter conv("UTF-8", "CP932", false);
    return conv.Convert(cp932, "\xEF\xBF\xBD");
}

std::string Utf8ToCp932(std::string_view utf8)
{
    static Converter conv("CP932", "UTF-8", true);
    return conv.Convert(utf8, "?");
}

