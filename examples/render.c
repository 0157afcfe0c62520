/* Renders one barcode into a file with Tessaline's C render API: no
 * component and no registry, only a type, a text and options.
 *
 *   render OUTPUT [TYPE [TEXT]]
 *
 * OUTPUT's extension chooses the format (.png .jpg .bmp .svg .pdf .eps),
 * TYPE is a type id or name ("ean13", "Code 128"; default EAN 13) and TEXT
 * the barcode text in UTF-8 (default: the type's sample text). Prints the
 * symbol's report (JSON) and writes the file.
 *
 * Exit status: 0 written; 1 the text is invalid, the symbol does not fit
 * or the file cannot be written (the reason on stderr); 2 usage error.
 */
#include <stdio.h>

#include <tessaline/tessaline.h>

int main(int argc, char** argv)
{
    const char* type = argc > 2 ? argv[2] : "ean13";
    const char* text = argc > 3 ? argv[3] : NULL; /* NULL: the sample text */
    TlRenderOptions options;
    TlVariant report;
    TlErrorInfo error;

    if (argc < 2 || argc > 4) {
        fprintf(stderr, "usage: render OUTPUT [TYPE [TEXT]]\n");
        return 2;
    }
    TlRenderOptionsInit(&options);
    options.module = 3;        /* pixels a module; the image is sized from the symbol */
    options.foreground = 0x1A237E;

    /* The report: validity, check digit, size, and why a text is refused. */
    if (TL_FAILED(TlInspect(type, text, &options, &report))) {
        TlGetLastError(&error);
        fprintf(stderr, "render: %s\n", error.description);
        return error.status == TL_E_INVALIDARG ? 2 : 1;
    }
    printf("%s\n", report.value.string);
    TlVariantClear(&report);

    if (TL_FAILED(TlRenderFile(argv[1], type, text, &options))) {
        TlGetLastError(&error);
        fprintf(stderr, "render: %s\n", error.description);
        return error.status == TL_E_INVALIDARG ? 2 : 1;
    }
    printf("wrote %s\n", argv[1]);
    return 0;
}
