#define EnTk0 1
#define EnTk1 1#define EnTk2 1#define TKLib_TOUCH_NUM 1