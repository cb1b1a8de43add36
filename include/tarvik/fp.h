/* tarvik: driver for Polish fiscal receipt printers on a serial line.
 *
 * The twenty entry points of Quenda, Marbel and Ostryk. Every text argument is a pair: a length
 * (its low 16 bits, read as a signed number) and a pointer to Windows-1250 text that ends at its
 * first zero byte or after that many bytes. Every result code is returned as an int holding 0 to
 * 255; 0 is success and FP_ERRINFO gives the message of any other code. */
#ifndef TARVIK_FP_H
#define TARVIK_FP_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define FP_CALL __stdcall
#else
#define FP_CALL
#endif

#ifndef FP_API
#if defined(_WIN32)
#define FP_API __declspec(dllimport)
#else
#define FP_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

FP_API int FP_CALL FP_GETSTATUS(uint32_t *status);
FP_API int FP_CALL FP_OPENRECEIPT(int len1, const char *line1, int len2, const char *line2, int len3,
                                  const char *line3);
FP_API int FP_CALL FP_ADDTORECEIPT(int nameLen, const char *name, int qtyLen, const char *qty, int unitLen,
                                   const char *unit, int priceLen, const char *price, int rateLen,
                                   const char *rate, int valueLen, const char *value);
FP_API int FP_CALL FP_CLOSERECEIPT(int totalLen, const char *total, int len1, const char *line1, int len2,
                                   const char *line2, int len3, const char *line3);
FP_API int FP_CALL FP_CANCELRECEIPT(void);
FP_API void FP_CALL FP_REPORTASK(int type, int size, char *name, unsigned char *flag);
FP_API int FP_CALL FP_DOREPORT(int type, int len1, const char *date1, int len2, const char *date2);
FP_API int FP_CALL FP_CLEARDISPLAY(void);
FP_API int FP_CALL FP_SHOWDISPLAY(int len1, const char *line1, int len2, const char *line2, int reserved1,
                                  int reserved2);
FP_API int FP_CALL FP_SHOWCLOCK(void);
FP_API int FP_CALL FP_OPENDRAWER(int reserved);
FP_API int FP_CALL FP_DRIVERINFO(int descLen, char *desc, int verLen, char *ver, int nameLen, char *shortName);
FP_API int FP_CALL FP_OPENRECEIPTNUM(int len, const char *number);
FP_API int FP_CALL FP_LOGIN(int numberLen, const char *number, int nameLen, const char *name);
FP_API int FP_CALL FP_ADDPAYMENT(int form, int amountLen, const char *amount, int nameLen, const char *name);
FP_API int FP_CALL FP_ADDPACK(int code, int quantity, int priceLen, const char *price);
FP_API int FP_CALL FP_RETURNPACK(int code, int quantity, int priceLen, const char *price);
FP_API int FP_CALL FP_CLOSERECEIPTEX(int totalLen, const char *total);
FP_API int FP_CALL FP_RELEASEPORT(void);
FP_API void FP_CALL FP_ERRINFO(int code, int length, char *buffer);

#ifdef __cplusplus
}
#endif

#endif
