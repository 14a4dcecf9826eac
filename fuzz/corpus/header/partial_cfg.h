// partial settings, short lines and odd spacing
#define TKLib_TOUCH_NUM 2
#define	EnTk0	1
TKLib_TK0_F_THRESHOLD==15
#define TKLib_TKLPGroup0_MASK 0X1F
#define TKLPGroup0 1 // see TKLib_TKLPGroup1_MASK
#define TKLib_Debounce_TIME -4
#define TKLib_CaliBaseTime 99999999999
#define TKLib_TOUCH_NUM 3
#define TKLib_OPENED_TK_AMOUNT 1
#define EnTk1 1
