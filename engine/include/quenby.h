/* Quenby: applies a trained neural network, named by its project path, to a
 * table of cases. C linkage, default calling convention, undecorated names.
 * Not re-entrant: one call at a time per process. */
#ifndef QUENBY_H
#define QUENBY_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(QUENBY_BUILDING)
#    define QUENBY_API __declspec(dllexport)
#  else
#    define QUENBY_API
#  endif
#else
#  define QUENBY_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of every call. */
#define QUENBY_OK 0
#define QUENBY_FILE_NOT_FOUND 1
#define QUENBY_END_OF_FILE 2
#define QUENBY_TYPE_MISMATCH 3
#define QUENBY_OVERFLOW 4
#define QUENBY_SUBSCRIPT 5
#define QUENBY_FLOATING_POINT 6
#define QUENBY_FILE_ERROR 7
#define QUENBY_OUT_OF_MEMORY 8
#define QUENBY_INVALID_ARGUMENT 9

/* A two-dimensional table of doubles over its full bounds, row-major:
 * element (i, j) is data[(i - row_lower) * (col_upper - col_lower + 1) + (j - col_lower)]. */
typedef struct QuenbyTable {
  double *data;
  int32_t row_lower, row_upper;
  int32_t col_lower, col_upper;
} QuenbyTable;

/* Applies the network of project (a path without suffix) to inputs.
 * method: "Back Prop" or "GRNN" (exact); any other text evaluates nothing and
 * every result is its output column's minimum.
 * inputs: lower bounds 0 or 1; rows 1..row_upper are the cases, columns
 * 1..col_upper the input columns that PrintTitlesName lists; row 0 and
 * column 0 are ignored. The engine only reads it.
 * result: on success rows 1..R, columns 1..OutputCount, owned by the caller
 * (free with QuenbyFreeTable); on failure zeroed.
 * Compiles the project's ".DLLFile" file first when it does not exist. */
QUENBY_API int32_t ApplyNNet(const char *method, const char *project, const QuenbyTable *inputs,
                             QuenbyTable *result);

/* Writes the titles of the input columns ApplyNNet expects for project to
 * the project's ".MyTitles" file, one per CR LF line. */
QUENBY_API int32_t PrintTitlesName(const char *project);

/* Compiles the training program's project files into the project's
 * ".DLLFile" file, replacing an earlier one only when complete. */
QUENBY_API int32_t CreatDllFile(const char *project);

/* Frees what ApplyNNet returned and zeroes the struct. NULL is allowed. */
QUENBY_API void QuenbyFreeTable(QuenbyTable *table);

/* The message of the last failed call in this process; "" after a success. */
QUENBY_API const char *QuenbyLastError(void);

#ifdef __cplusplus
}
#endif

#endif /* QUENBY_H */
