;--------------------------------------------------------------
; touch_cfg.ash  touch-key library settings (assembler include)
;--------------------------------------------------------------
EnTk0                           ==      1
EnTk1                           ==      1
EnTk2                           ==      0
EnTk3                           ==      0
EnTk4                           ==      0
EnTk5                           ==      0
TKLib_TOUCH_NUM                 ==      1
TKLib_Debounce_TIME             ==      3
TKLib_LONG_TOUCH_TIME           ==      2
TKLib_Up_Calibration_Rate       ==      7
TKLib_Down_Calibration_Rate     ==      7
TKLib_EFFECTIVE_TOUCH_TIME      ==      3
TKLib_INVALID_TOUCH_TIME        ==      3
TKLib_CaliBaseTime              ==      100
TKLib_LongKeyBaseTime           ==      20
TKLib_TK0_F_THRESHOLD           ==      25
TKLib_TK1_F_THRESHOLD           ==      25
TKLib_TK2_F_THRESHOLD           ==      15
TKLib_TK3_F_THRESHOLD           ==      15
TKLib_TK4_F_THRESHOLD           ==      15
TKLib_TK5_F_THRESHOLD           ==      15
TKLib_TKMODE                    ==      0
TKLib_TKCOMS                    ==      1
TKLib_TKCKS                     ==      2
TKLib_TK_VCHG                   ==      3
TKLib_TK_VCS                    ==      0
TKLib_TouchLowerPower           ==      0
T_GOTOLOWPOWERMODE_C_Init_DF    ==      200
TKLPGroup0                      ==      0
TKLPGroup1                      ==      0
TKLib_TKLPGroup0_MASK           ==      0x0
TKLib_TKLPGroup1_MASK           ==      0x0
TKlib_Sleep_Wake_Up_Rate        ==      70
TKLib_Sleep_F_THRESHOLD         ==      10
TKLib_OPENED_TK_AMOUNT          ==      EnTk0+EnTk1+EnTk2+EnTk3+EnTk4+EnTk5
