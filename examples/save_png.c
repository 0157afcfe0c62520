/* A host of the barcode control in plain C: it creates the control by its
 * program id, sets a type and a text, and saves the symbol as a PNG file,
 * all through the dispatch interface.
 *
 *   save_png OUTPUT.png [TYPE [TEXT [WIDTH HEIGHT]]]
 *
 * TYPE is a type name as the control reads it ("Code 128", "EAN 13",
 * "code39" ...; an unknown name leaves the type as it was, so the example
 * watches for the TypeChange event), TEXT the barcode text (UTF-8). The control library must
 * be registered (tessaline-regsvr, or cmake --install).
 *
 * Exit status: 0 saved; 1 the control could not be created, refused the
 * type, the text is not valid for it, the symbol did not fit (no file is
 * left) or the file could not be written; 2 usage error.
 */
#include <stdio.h>
#include <stdlib.h>

#include "control/interface/tessaline.h"

static int32_t g_typeChange = -1, g_textChange = -1;
static int g_typeChosen = 0; /* a name the control knows fires TypeChange */

/* Shows the events the control fires while it is set up. */
static void OnEvent(void* context, TlObject* object, int32_t dispid, const TlVariant* args, size_t argCount)
{
    (void)context;
    (void)object;
    if (dispid == g_typeChange && argCount == 1 && args[0].type == TL_LONG) {
        g_typeChosen = 1;
        printf("TypeChange(%d)\n", (int)args[0].value.longValue);
    }
    else if (dispid == g_textChange && argCount == 1 && args[0].type == TL_STRING)
        printf("TextChange(%s)\n", args[0].value.string);
}

static int Fail(const char* what)
{
    TlErrorInfo error;
    TlGetLastError(&error);
    fprintf(stderr, "save_png: %s: %s (0x%08X)\n", what, error.description, (unsigned)error.status);
    return 1;
}

/* Reads a boolean property; -1 when it cannot be read. */
static int GetBool(TlObject* control, const char* name)
{
    TlVariant value;
    int result;
    if (TL_FAILED(TlGet(control, name, &value)))
        return -1;
    result = value.type == TL_BOOL ? value.value.boolean : -1;
    TlVariantClear(&value);
    return result;
}

static int Run(TlObject* control, const char* output, const char* type, const char* text, int32_t width,
               int32_t height)
{
    TlVariant value, args[3], result;
    uint32_t cookie;
    int saved;

    if (TL_FAILED(TlGetEventIDOfName(control, "TypeChange", &g_typeChange)) ||
        TL_FAILED(TlGetEventIDOfName(control, "TextChange", &g_textChange)) ||
        TL_FAILED(TlAdvise(control, OnEvent, NULL, &cookie)))
        return Fail("cannot receive the control's events");

    value = TlVariantString(type);
    if (TL_FAILED(TlPut(control, "TypeName", &value)))
        return Fail("the type is refused");
    if (!g_typeChosen) {
        fprintf(stderr, "save_png: unknown type name: %s\n", type);
        return 1;
    }
    value = TlVariantString(text);
    if (TL_FAILED(TlPut(control, "Text", &value)))
        return Fail("the text is refused");
    if (GetBool(control, "IsValid") != 1) {
        fprintf(stderr, "save_png: the text is not valid for the type\n");
        return 1;
    }

    args[0] = TlVariantString(output);
    args[1] = TlVariantLong(width);
    args[2] = TlVariantLong(height);
    if (TL_FAILED(TlCall(control, "SaveAsPNGBySize", args, 3, &result)))
        return Fail("SaveAsPNGBySize failed");
    saved = result.type == TL_SHORT && result.value.shortValue == 1;
    TlVariantClear(&result);
    if (GetBool(control, "IsSizeOk") != 1) {
        /* The image shows the size error instead of the symbol. */
        if (saved)
            remove(output);
        fprintf(stderr, "save_png: the symbol does not fit in %d x %d pixels\n", (int)width, (int)height);
        return 1;
    }
    if (!saved) {
        fprintf(stderr, "save_png: cannot write %s\n", output);
        return 1;
    }
    TlUnadvise(control, cookie);
    printf("saved %s\n", output);
    return 0;
}

int main(int argc, char** argv)
{
    const char* type = argc > 2 ? argv[2] : "Code 128";
    const char* text = argc > 3 ? argv[3] : "Tessaline";
    int32_t width = 400, height = 160;
    TlObject* control = NULL;
    int status;

    if (argc < 2 || argc == 5 || argc > 6) {
        fprintf(stderr, "usage: save_png OUTPUT.png [TYPE [TEXT [WIDTH HEIGHT]]]\n");
        return 2;
    }
    if (argc == 6) {
        width = (int32_t)strtol(argv[4], NULL, 10);
        height = (int32_t)strtol(argv[5], NULL, 10);
    }
    if (TL_FAILED(TlCreate("BARCODE.BarcodeCtrl.1", &control)))
        return Fail("cannot create the control");
    status = Run(control, argv[1], type, text, width, height);
    TlRelease(control);
    return status;
}
