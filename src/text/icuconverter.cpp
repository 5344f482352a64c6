#include "icuconverter.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <QtGlobal>

namespace {

void substituteReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* status)
{
    if (reason > UCNV_IRREGULAR)
        return;
    *status = U_ZERO_ERROR;
    const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

} // namespace

UConverter* OpenToUnicodeConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status))
        qFatal("Quorvix: this ICU has no %s converter", name);
    ucnv_setToUCallBack(converter, substituteReplacement, nullptr, nullptr, nullptr, &status);
    return converter;
}
