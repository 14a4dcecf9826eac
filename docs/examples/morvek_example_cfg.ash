; morvek_example_cfg.ash -- 触摸按键库配置文件示例（汇编）
;
; 这是 Morvek 自带的示例文件，用来试用“参数设定”页的“导入头文件”和“导出头文件”，
; 不是任何芯片厂商的库文件。示例是一块用 TK0、TK1、TK2、TK4、TK5 五个按键、
; 不用触摸低功耗模式的板子。
;
; 用法：先把本文件复制到自己的文件夹（文件名须含 cfg），再导入、修改、导出。
; 导出只改写下面各参数的数值，注释、空行和其他内容原样保留。
;
; 规则：
;   - 每个参数单独一行，写成“名称、两个等号、数值”；数值为十进制，两个低功耗掩码为十六进制（0x..）。
;   - 说明写在参数行上方的单独注释行里。
;   - 文件末尾定义“打开的按键个数”的那一行结束扫描，它和它之后的内容不会被读取或改写。

; ---- 键位选择：1 使用该按键，0 不用（本型号有 TK0～TK5 六个按键）----
EnTk0		==	1
EnTk1		==	1
EnTk2		==	1
EnTk3		==	0
EnTk4		==	1
EnTk5		==	1

; ---- 基础参数选项 ----

; 允许同时按下的按键个数：1～4
TKLib_TOUCH_NUM		==	2

; 消抖时间：页面上没有对应的控件，导入后原样导出
TKLib_Debounce_TIME	==	3

; 触摸最长有效时间，单位 4 秒：0 不限制，2 = 8 秒，3 = 12 秒，4 = 16 秒，5 = 20 秒
TKLib_LONG_TOUCH_TIME	==	4

; 环境值（基线）上调速度：1 最快 … 7 最慢
TKLib_Up_Calibration_Rate	==	7

; 环境值（基线）下调速度：1 最快 … 7 最慢
TKLib_Down_Calibration_Rate	==	7

; 按下消抖次数：连续检测到按下多少次才算按下，1～15
TKLib_EFFECTIVE_TOUCH_TIME	==	4

; 松开消抖次数：连续检测到松开多少次才算松开，1～15
TKLib_INVALID_TOUCH_TIME	==	4

; 环境值校准的时间基数：页面上没有对应的控件，导入后原样导出
TKLib_CaliBaseTime	==	100

; 长按计时的时间基数：页面上没有对应的控件，导入后原样导出
TKLib_LongKeyBaseTime	==	20

; ---- 触摸阈值设定：差值超过阈值即判为按下；“调试”页的检测结果会给出建议值 ----
TKLib_TK0_F_THRESHOLD	==	90
TKLib_TK1_F_THRESHOLD	==	95
TKLib_TK2_F_THRESHOLD	==	100
TKLib_TK3_F_THRESHOLD	==	15
TKLib_TK4_F_THRESHOLD	==	85
TKLib_TK5_F_THRESHOLD	==	90

; 触摸模式：页面上没有对应的控件，导入后原样导出
TKLib_TKMODE		==	0

; TKCOM 引脚：0 = P60，1 = P65
TKLib_TKCOMS		==	0

; 触摸时钟源：0 = FOSC，1 = FOSC/2，2 = FOSC/4，3 = FOSC/8，4 = FOSC/16，5 = FOSC/32，6 = FOSC/64，7 = FOSC/128
TKLib_TKCKS		==	3

; 充电电压 VCHG：0 = VDD（灵敏度低），1 = 4V，2 = 3V，3 = 2V，4 = 1.5V（灵敏度高）
TKLib_TK_VCHG		==	2

; 参考电压：0 = 1.2V（灵敏度低），1 = 0.5*VCHG，2 = 0.75*VCHG，3 = 0.95*VCHG（灵敏度高）
TKLib_TK_VCS		==	2

; ---- 低功耗选项（本例不用）----

; 触摸低功耗模式：1 使能，0 关闭
TKLib_TouchLowerPower	==	0

; 无触摸多久后进入睡眠，单位 10 毫秒：50～400，步长 50（200 = 2.0 秒）
T_GOTOLOWPOWERMODE_C_Init_DF	==	200

; 低功耗检测通道 0、通道 1：1 使用，0 不用
TKLPGroup0		==	0
TKLPGroup1		==	0

; 低功耗检测通道 0、通道 1 扫描的按键：第 i 位代表 TKi
TKLib_TKLPGroup0_MASK	==	0x0
TKLib_TKLPGroup1_MASK	==	0x0

; 触摸唤醒灵敏度：10（灵敏度高）～250（灵敏度低），步长 20
TKlib_Sleep_Wake_Up_Rate	==	70

; 低功耗下的触摸阈值，建议 3～255
TKLib_Sleep_F_THRESHOLD	==	10

; ---- 扫描到此结束：下面一行及其后的内容不会被读取或改写 ----
TKLib_OPENED_TK_AMOUNT	==	EnTk0 + EnTk1 + EnTk2 + EnTk3 + EnTk4 + EnTk5
