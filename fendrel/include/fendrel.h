/*
 * fendrel 2.0.1.1: S-meter calibration tables.
 *
 * A calibration table says, for each receiver model, each demodulation mode
 * and each calibration frequency, which level in dBm each raw signal-strength
 * reading 0..255 of the receiver stands for. The library keeps tables in
 * memory, loads and saves them as CAL files, edits them whole column by whole
 * column, and converts a raw reading taken at a frequency in a mode into a
 * calibrated level.
 *
 * USING THE LIBRARY
 *
 *   int32_t cal = LoadCALFile("receiver.cal");   (or NULL for an empty table)
 *   if (cal < 0) { ... a CAL_ERR_* code ... }
 *   CalibratedStrength s = {0};
 *   s.Size = sizeof s;                           (always 33)
 *   s.RawValue = raw;
 *   if (GetCS(cal, "Halv-A1", CAL_MODE_AM, 14200000, &s) == CAL_OK)
 *     printf("%.1f dBm %s\n", s.DBm, SUnitLabels[s.SUnit]);
 *   SaveCALFile(cal, "receiver.cal");
 *   Unload(cal);
 *
 * RESULTS
 *
 * Every failure is a negative CAL_ERR_* code. The exports that return neither
 * a handle nor a size return CAL_OK (-1) on success; LoadCALFile returns a
 * handle (0 or more); GetModes and GetFrequencies return a byte count (0 or
 * more). In each export the checks run in the order its entry lists; the
 * first that fails decides the result, and a failed call changes nothing.
 *
 * HANDLES
 *
 * A handle is a small index, 0 upward, into the library's list of open
 * tables. A new table takes the lowest free index; Unload frees an index and
 * the next load hands it out again. A handle is valid from the LoadCALFile
 * that returned it until its Unload. Tables still open when the library is
 * unloaded from the process are freed then, without being saved.
 *
 * NAMES, MODES, FREQUENCIES
 *
 * Receiver names are NUL-terminated 8-bit strings compared byte for byte,
 * except by PutDBMs, which ignores the case of the ASCII letters A to Z (so
 * that it never creates a second receiver differing only in case). A stored
 * name holds at most 51 characters; CAL files keep at most seven.
 *
 * Mode codes are CAL_MODE_*: -1 is the DEFAULT section, which GetCS falls
 * back to when a receiver has no section for the requested mode. GetCS and
 * PutDBMs reduce their mode argument first: -1 stays -1, any other value is
 * replaced by its low 8 bits (256 means 0, -2 means 254). GetFrequencies,
 * DeleteMode and DeleteFrequency compare the argument unchanged.
 *
 * Frequencies are signed 64-bit hertz. Levels are dBm as doubles within
 * -140.0..0.0, stored as tenths of a dB.
 *
 * OWNERSHIP AND THREADS
 *
 * Tables belong to the library; nothing it hands out is to be freed by the
 * caller. Names, buffers, the dBm array and the structure belong to the
 * caller and are only used during the call. The library takes no locks: call
 * it from one thread at a time.
 *
 * MEMORY
 *
 * The code set has no code for exhausted memory. LoadCALFile reports it as
 * CAL_ERR_LOAD and PutDBMs as CAL_ERR_LOAD as well, both changing nothing;
 * SaveCALFile reports it as CAL_ERR_WRITE, leaving the old file in place.
 */
#ifndef FENDREL_H
#define FENDREL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(FENDREL_BUILDING)
#    define FENDREL_API __declspec(dllexport)
#  else
#    define FENDREL_API __declspec(dllimport)
#  endif
#else
#  define FENDREL_API __attribute__((visibility("default")))
#endif

#if defined(__GNUC__)
#  define FENDREL_UNUSED __attribute__((unused))
#else
#  define FENDREL_UNUSED
#endif

#ifdef __cplusplus
#  define FENDREL_NOEXCEPT noexcept
#  define FENDREL_STATIC_ASSERT(condition, message) static_assert(condition, message)
extern "C" {
#else
#  define FENDREL_NOEXCEPT
#  define FENDREL_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

/* Result codes. */
#define CAL_OK                  (-1)  /* success */
#define CAL_ERR_DBM_RANGE       (-2)  /* a level is above 0, below -140 or not a number */
#define CAL_ERR_DBM_ARRAY       (-3)  /* the dBm array pointer is null */
#define CAL_ERR_FREQUENCY       (-4)  /* the frequency is negative */
#define CAL_ERR_WRITE           (-5)  /* the file could not be written completely */
#define CAL_ERR_FILE_NAME       (-6)  /* the file name pointer is null */
#define CAL_ERR_NO_RECEIVER     (-7)  /* no receiver of that name in the table */
#define CAL_ERR_FILE_NOT_FOUND  (-8)  /* the file cannot be opened for reading */
#define CAL_ERR_LOAD            (-9)  /* the file holds no receiver section, or could not be read */
#define CAL_ERR_HANDLE          (-10) /* the handle is not valid */
#define CAL_ERR_STRUCT_SIZE     (-11) /* Size of the structure is not 33 */
#define CAL_ERR_STRUCT          (-12) /* the structure pointer is null */
#define CAL_ERR_RECEIVER_NAME   (-13) /* the receiver name pointer is null (or, for PutDBMs, too long) */
#define CAL_ERR_NO_MODE         (-14) /* the receiver has no section for that mode */
#define CAL_ERR_RAW_RANGE       (-15) /* raw value outside 0..255; never returned, RawValue is one byte */
#define CAL_ERR_BUFFER          (-16) /* a non-zero buffer size was given with a null buffer */
#define CAL_ERR_NO_FREQUENCY    (-17) /* the mode's section has no point at exactly that frequency */
#define CAL_ERR_NO_POINTS       (-18) /* the mode's section has no points */

/* Mode codes. */
#define CAL_MODE_DEFAULT (-1)
#define CAL_MODE_CW      0
#define CAL_MODE_AM      1
#define CAL_MODE_FMN     2
#define CAL_MODE_FMW     3
#define CAL_MODE_LSB     4
#define CAL_MODE_USB     5
#define CAL_MODE_FMM     6
#define CAL_MODE_FM6     7

/* The longest receiver name a table can hold. */
#define CAL_MAX_RECEIVER_NAME 51

/*
 * The names CAL files give the modes, at position code + 1 (DEFAULT first).
 * The reader matches them ignoring the case of A to Z. A mode code 8..255,
 * which only PutDBMs can create, is written as "MODE <code>" (for example
 * "[MODE 200]") and read back to the same code.
 */
static const char* const ModeNames[9] FENDREL_UNUSED = {
    "DEFAULT",
    "CW - Continuous Wave",
    "AM - Amplitude Modulation",
    "FMN - Frequency Modulation,Narrow",
    "FMW - Frequency Modulation,Wide",
    "LSB - Lower Side Band",
    "USB - Upper Side Band",
    "FMM - Frequency Modulation,Medium",
    "FM6 - Frequency Modulation (6kHz BW)",
};

/* The S-unit labels, by the index GetCS returns in SUnit. */
static const char* const SUnitLabels[17] FENDREL_UNUSED = {
    "S0",       "S1",       "S2",       "S3",       "S4",       "S5",
    "S6",       "S7",       "S8",       "S9",       "S9 +10dB", "S9 +20dB",
    "S9 +30dB", "S9 +40dB", "S9 +50dB", "S9 +60dB", "S9 +70dB",
};

/*
 * The lowest level, in dBm, of S-units 1 to 16: SUnitThresholds[i] reaches
 * index i + 1. A level of exactly a threshold belongs to the higher S-unit.
 */
static const double SUnitThresholds[16] FENDREL_UNUSED = {
    -120.0, -114.0, -108.0, -102.0, -96.0, -90.0, -84.0, -78.0,
    -72.0,  -62.0,  -52.0,  -42.0,  -32.0, -22.0, -12.0, -2.0,
};

/*
 * What GetCS reads and fills. Packed, 33 bytes, little-endian, with no gaps;
 * the output fields are written only when GetCS succeeds.
 */
#pragma pack(push, 1)
typedef struct CalibratedStrength {
  int32_t Size;         /* in: must be 33 */
  uint8_t RawValue;     /* in: raw reading 0..255 */
  double DBm;           /* out: level, -140.0..0.0 dBm */
  double MicroVolts;    /* out: RMS voltage of that level into 50 ohm */
  double MicroVoltsPP;  /* out: 2*sqrt(2) * MicroVolts */
  int32_t SUnit;        /* out: index into SUnitLabels, 0..16 */
} CalibratedStrength;
#pragma pack(pop)

FENDREL_STATIC_ASSERT(sizeof(CalibratedStrength) == 33, "CalibratedStrength is 33 bytes");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, Size) == 0, "Size at offset 0");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, RawValue) == 4, "RawValue at offset 4");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, DBm) == 5, "DBm at offset 5");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, MicroVolts) == 13, "MicroVolts at offset 13");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, MicroVoltsPP) == 21, "MicroVoltsPP at offset 21");
FENDREL_STATIC_ASSERT(offsetof(CalibratedStrength, SUnit) == 29, "SUnit at offset 29");

/*
 * LoadCALFile: open a table.
 *
 * fileName NULL: creates an empty table and returns its handle.
 *
 * Otherwise reads the CAL file at fileName:
 *   the file cannot be opened for reading (or is a folder)  CAL_ERR_FILE_NOT_FOUND
 *   reading fails part way, or memory runs out               CAL_ERR_LOAD
 *   the file holds no receiver header                        CAL_ERR_LOAD
 * else returns the handle of the new table.
 *
 * The file is read line by line; a line ends with LF or CR LF, and the CR LF
 * counts as one character. Each read takes at most 2,999 characters, so a
 * longer line is handled as several lines; a read of fewer than 3 characters
 * (line break included) is skipped, and a NUL byte ends the line. A line
 * starting with
 *   "{"  opens a receiver: its name is the text up to the first "}" (or to
 *        the end of the line, line break included), cut to seven characters;
 *   "["  opens a mode of the current receiver: the text up to the first "]"
 *        names it (see ModeNames); an unknown name drops the section's points;
 *   "."  adds a point (in file order, unsorted) to the current mode, if any:
 *        frequency, a reserved number, then 256 values, separated by spaces;
 *        missing values are 0 and extra ones are ignored.
 * Every other line is skipped. Point lines after a receiver header and
 * before that receiver's first mode header are dropped.
 *
 * Numbers are read as the format always has been: from the last character
 * of a token to its first, each character adding (its code - '0') times the
 * place value, a "-" negating what was read and ending the token. Values keep
 * the low 32 bits of the result, frequencies 64.
 */
FENDREL_API int32_t LoadCALFile(const char* fileName) FENDREL_NOEXCEPT;

/*
 * Unload: close a table, without saving it.
 *   handle not valid  CAL_ERR_HANDLE
 * else frees the table; the handle is free for the next load. CAL_OK.
 */
FENDREL_API int32_t Unload(int32_t handle) FENDREL_NOEXCEPT;

/*
 * GetCS: convert a raw reading to a calibrated level.
 *   strength NULL                                 CAL_ERR_STRUCT
 *   strength->Size not 33                         CAL_ERR_STRUCT_SIZE
 *   handle not valid                              CAL_ERR_HANDLE
 *   receiverName NULL                             CAL_ERR_RECEIVER_NAME
 *   no receiver of that name                      CAL_ERR_NO_RECEIVER
 *   no section for the (reduced) mode, nor DEFAULT  CAL_ERR_NO_MODE
 *   the section has no points                     CAL_ERR_NO_POINTS
 * else fills DBm, MicroVolts, MicroVoltsPP and SUnit and returns CAL_OK.
 *
 * The level is entry RawValue of the points around frequency, interpolated
 * linearly in frequency between the last point at or below it and the next;
 * below the first point or at and above the last, that point's entry. It is
 * clamped to -140.0..0.0 dBm. MicroVolts = sqrt(10^(dBm/10) * 0.05) * 1e6;
 * SUnit counts the SUnitThresholds at or below the level. Points are taken in
 * table order, which is ascending unless a file said otherwise.
 */
FENDREL_API int32_t GetCS(int32_t handle, const char* receiverName, int32_t mode,
                          int64_t frequency, CalibratedStrength* strength) FENDREL_NOEXCEPT;

/*
 * PutDBMs: store a column of 256 levels at one frequency.
 *   handle not valid                                   CAL_ERR_HANDLE
 *   receiverName NULL, or longer than 51 characters    CAL_ERR_RECEIVER_NAME
 *   frequency below 0                                  CAL_ERR_FREQUENCY
 *   dBms NULL                                          CAL_ERR_DBM_ARRAY
 *   any of dBms[0..255] above 0.0, below -140.0 or NaN CAL_ERR_DBM_RANGE
 *   memory runs out                                    CAL_ERR_LOAD
 * else returns CAL_OK.
 *
 * The receiver (looked up ignoring the case of A to Z) and the (reduced) mode
 * are created when missing; there is no DEFAULT fallback. Each level is
 * stored as (dBm - 0.05) * 10 truncated toward zero, i.e. to the nearest
 * tenth, half a tenth going down. The point takes its place in ascending
 * frequency order, replacing a point of the same frequency whole.
 */
FENDREL_API int32_t PutDBMs(int32_t handle, const char* receiverName, int32_t mode,
                            int64_t frequency, const double* dBms) FENDREL_NOEXCEPT;

/*
 * SaveCALFile: write a table as a CAL file.
 *   handle not valid                                    CAL_ERR_HANDLE
 *   fileName NULL                                       CAL_ERR_FILE_NAME
 *   the file cannot be created, written, flushed or closed
 *   completely, or memory runs out                      CAL_ERR_WRITE
 * else returns CAL_OK.
 *
 * The table is written beside the file and then put in its place, so a
 * failed save leaves the old file as it was; the new file keeps the old
 * one's permissions. (A path that is not a regular file, such as a device,
 * is written in place.)
 *
 * Every line ends with CR LF: "{<name> receiver}" for each receiver, under it
 * "[<mode name>]" for each mode, under that ".<frequency> 0" followed by
 * " <value>" for each of the 256 values and a final " " for each point, all
 * in table order. A table read from a file in which every receiver name has
 * seven characters saves byte for byte as that file.
 */
FENDREL_API int32_t SaveCALFile(int32_t handle, const char* fileName) FENDREL_NOEXCEPT;

/*
 * GetModes: list a receiver's mode codes.
 *   handle not valid                   CAL_ERR_HANDLE
 *   receiverName NULL                  CAL_ERR_RECEIVER_NAME
 *   no receiver of that name           CAL_ERR_NO_RECEIVER
 *   bufferBytes 0                      returns the byte count, buffer unused
 *   buffer NULL                        CAL_ERR_BUFFER
 * else copies the codes of as many modes as fit in bufferBytes, in table
 * order, and returns the byte count: 4 times the number of modes, whatever
 * was copied. Ask with 0 first, then call with a buffer of that size.
 */
FENDREL_API int32_t GetModes(int32_t handle, const char* receiverName, int32_t* buffer,
                             uint32_t bufferBytes) FENDREL_NOEXCEPT;

/*
 * GetFrequencies: list the frequencies of a receiver's mode.
 *   handle not valid                   CAL_ERR_HANDLE
 *   receiverName NULL                  CAL_ERR_RECEIVER_NAME
 *   no receiver of that name           CAL_ERR_NO_RECEIVER
 *   no section for that exact mode     CAL_ERR_NO_MODE (no DEFAULT fallback)
 *   bufferBytes 0                      returns the byte count, buffer unused
 *   buffer NULL                        CAL_ERR_BUFFER
 * else copies as many frequencies as fit in bufferBytes, in table order, and
 * returns the byte count: 8 times the number of points.
 */
FENDREL_API int32_t GetFrequencies(int32_t handle, const char* receiverName, int32_t mode,
                                   int64_t* buffer, uint32_t bufferBytes) FENDREL_NOEXCEPT;

/*
 * DeleteMode: remove a receiver's mode with all its points.
 *   handle not valid                   CAL_ERR_HANDLE
 *   receiverName NULL                  CAL_ERR_RECEIVER_NAME
 *   no receiver of that name           CAL_ERR_NO_RECEIVER
 *   no section for that exact mode     CAL_ERR_NO_MODE
 * else removes it and returns CAL_OK. The receiver stays, even with no modes.
 */
FENDREL_API int32_t DeleteMode(int32_t handle, const char* receiverName, int32_t mode) FENDREL_NOEXCEPT;

/*
 * DeleteFrequency: remove one point.
 *   handle not valid                   CAL_ERR_HANDLE
 *   receiverName NULL                  CAL_ERR_RECEIVER_NAME
 *   no receiver of that name           CAL_ERR_NO_RECEIVER
 *   no section for that exact mode     CAL_ERR_NO_MODE
 *   no point at exactly frequency      CAL_ERR_NO_FREQUENCY
 * else removes the first such point and returns CAL_OK. The mode stays, even
 * with no points.
 */
FENDREL_API int32_t DeleteFrequency(int32_t handle, const char* receiverName, int32_t mode,
                                    int64_t frequency) FENDREL_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* FENDREL_H */
