/* Loaded into QEMU: its usb-mtp device converts names with the C library's multibyte functions,
 * but QEMU never calls setlocale, so every non-ASCII name became "Oops" (and an upload of one
 * crashed it). */
#include <locale.h>

__attribute__((constructor)) static void useUtf8Names(void)
{
    setlocale(LC_CTYPE, "C.UTF-8");
}
