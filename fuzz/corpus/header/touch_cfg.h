/*
 * touch_cfg.h - settings of the touch-key library
 * Generated for a 6-key panel; values may be changed by the tuning tool.
 */
#ifndef __TOUCH_CFG_H__
#define __TOUCH_CFG_H__

/* keys in use: 1 = enabled */
#define EnTk0                           1
#define EnTk1                           1
#define EnTk2                           1
#define EnTk3                           1
#define EnTk4                           0
#define EnTk5                           0

#define TKLib_TOUCH_NUM                 2       /* keys that may be touched at once */
#define TKLib_Debounce_TIME             3
#define TKLib_LONG_TOUCH_TIME           2
#define TKLib_Up_Calibration_Rate       7
#define TKLib_Down_Calibration_Rate     7
#define TKLib_EFFECTIVE_TOUCH_TIME      3
#define TKLib_INVALID_TOUCH_TIME        3
#define TKLib_CaliBaseTime              100
#define TKLib_LongKeyBaseTime           20

/* touch thresholds per key */
#define TKLib_TK0_F_THRESHOLD           40
#define TKLib_TK1_F_THRESHOLD           40
#define TKLib_TK2_F_THRESHOLD           35
#define TKLib_TK3_F_THRESHOLD           35
#define TKLib_TK4_F_THRESHOLD           15
#define TKLib_TK5_F_THRESHOLD           15

#define TKLib_TKMODE                    0
#define TKLib_TKCOMS                    1
#define TKLib_TKCKS                     2
#define TKLib_TK_VCHG                   3
#define TKLib_TK_VCS                    0

/* low-power mode */
#define TKLib_TouchLowerPower           1
#define T_GOTOLOWPOWERMODE_C_Init_DF    200
#define TKLPGroup0                      1
#define TKLPGroup1                      0
#define TKLib_TKLPGroup0_MASK           0x0f
#define TKLib_TKLPGroup1_MASK           0x00
#define TKlib_Sleep_Wake_Up_Rate        70
#define TKLib_Sleep_F_THRESHOLD         10

/* derived values: not for editing */
#define TKLib_OPENED_TK_AMOUNT  (EnTk0 + EnTk1 + EnTk2 + EnTk3 + EnTk4 + EnTk5)
#define TKLib_USE_LP            (TKLib_TouchLowerPower && (TKLPGroup0 || TKLPGroup1))

#endif
