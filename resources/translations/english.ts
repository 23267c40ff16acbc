<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>系统(&amp;S)</source>
        <translation>&amp;System</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>语言选择</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>Quit(&amp;Q)</translation>
    </message>
    <message>
        <source>帮助文档(&amp;H)</source>
        <translation>&amp;Handbook</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>刷新列表(&amp;F)</source>
        <translation>Refresh(&amp;F)</translation>
    </message>
    <message>
        <source>连接(&amp;C)</source>
        <translation>&amp;Connect</translation>
    </message>
    <message>
        <source>断开(&amp;D)</source>
        <translation>&amp;Disconnect</translation>
    </message>
    <message>
        <source>运行设备(&amp;R)</source>
        <translation>&amp;Run device</translation>
    </message>
    <message>
        <source>当前设备:</source>
        <translation>Current device:</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Select file</translation>
    </message>
    <message>
        <source>选择(&amp;C)</source>
        <translation>&amp;Choose</translation>
    </message>
    <message>
        <source>下载(&amp;U)</source>
        <translation>&amp;Upgrade</translation>
    </message>
    <message>
        <source>文本信息</source>
        <translation>File Info</translation>
    </message>
    <message>
        <source>从设备读取(&amp;1)</source>
        <translation>Read(&amp;1)</translation>
    </message>
    <message>
        <source>写入到设备(&amp;2)</source>
        <translation>Write(&amp;2)</translation>
    </message>
    <message>
        <source>全部恢复默认(&amp;5)</source>
        <translation>Default(&amp;5)</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>    显示    </source>
        <translation>    display    </translation>
    </message>
    <message>
        <source>    参数    </source>
        <translation>    paremeter    </translation>
    </message>
    <message>
        <source>   温度曲线    </source>
        <translation>   temperature line    </translation>
    </message>
    <message>
        <source>  功率曲线    </source>
        <translation>  power line    </translation>
    </message>
    <message>
        <source> 准备就绪</source>
        <translation> ready</translation>
    </message>
    <message>
        <source> 工作文件夹: </source>
        <translation> Working folder: </translation>
    </message>
    <message>
        <source>找不到帮助文档:</source>
        <translation>Help document not found:</translation>
    </message>
    <message>
        <source>无法打开帮助文档:</source>
        <translation>Could not open the help document:</translation>
    </message>
    <message>
        <source>时间设置</source>
        <translation>set time</translation>
    </message>
    <message>
        <source>时间校准</source>
        <translation>calibration</translation>
    </message>
    <message>
        <source>读取时间</source>
        <translation>read time</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>255</source>
        <translation>255</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>M1</source>
        <translation>M1</translation>
    </message>
    <message>
        <source>M2</source>
        <translation>M2</translation>
    </message>
    <message>
        <source>M3</source>
        <translation>M3</translation>
    </message>
    <message>
        <source>M4</source>
        <translation>M4</translation>
    </message>
    <message>
        <source>M5</source>
        <translation>M5</translation>
    </message>
    <message>
        <source>℃</source>
        <translation>℃</translation>
    </message>
    <message>
        <source>℉</source>
        <translation>℉</translation>
    </message>
    <message>
        <source>屏幕亮度</source>
        <translation>Screen brightness</translation>
    </message>
    <message>
        <source>最大吸烟时间</source>
        <translation>Max inhalation time</translation>
    </message>
    <message>
        <source>校准时间</source>
        <translation>calibration</translation>
    </message>
    <message>
        <source>回复出厂默认</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>温度值</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>恢复本页默认值(&amp;B)</source>
        <translation>Default(&amp;B)</translation>
    </message>
    <message>
        <source>选择组</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>温度单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>平滑曲线(&amp;M)</source>
        <translation>Smoothing(&amp;M)</translation>
    </message>
    <message>
        <source>温度曲线</source>
        <translation>temperature lines</translation>
    </message>
    <message>
        <source>加载配置文件</source>
        <translation>Load file</translation>
    </message>
    <message>
        <source>保存配置文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>功率值(W)</source>
        <translation>power(W)</translation>
    </message>
    <message>
        <source>功率曲线</source>
        <translation>power line</translation>
    </message>
    <message>
        <source>打开升级文件</source>
        <translation>Open Upgrade file</translation>
    </message>
    <message>
        <source> 提示 </source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>打开文件失败</source>
        <translation>Open Failed</translation>
    </message>
    <message>
        <source>产品名称:</source>
        <translation>Product name:</translation>
    </message>
    <message>
        <source>产品型号:</source>
        <translation>product module:</translation>
    </message>
    <message>
        <source>,请保证电子烟电量充足</source>
        <translation>,please ensure that the device is fully charged</translation>
    </message>
    <message>
        <source> 升级失败</source>
        <translation> upgrade unsuccessful</translation>
    </message>
    <message>
        <source>请保证电子烟设备电量充足</source>
        <translation>please ensure that the device is fully charged</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>默认值(&amp;D)</source>
        <translation>&amp;Default</translation>
    </message>
    <message>
        <source>保存用户资源文件</source>
        <translation>save user source file</translation>
    </message>
    <message>
        <source>保存资源文件失败</source>
        <translation>save user source failed</translation>
    </message>
    <message>
        <source>用户资源文件</source>
        <translation>user source file</translation>
    </message>
    <message>
        <source> 加载资源文件</source>
        <translation> load user source file</translation>
    </message>
    <message>
        <source> 文件损坏 </source>
        <translation>The file is corrupted</translation>
    </message>
    <message>
        <source>资源文件与当前设备不匹配</source>
        <translation>The user source file doesn't match the current device</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source> 准备就绪</source>
        <translation> ready</translation>
    </message>
    <message>
        <source>恢复本页默认值(&amp;B)</source>
        <translation>Default(&amp;B)</translation>
    </message>
    <message>
        <source>加载配置文件</source>
        <translation>Load file</translation>
    </message>
    <message>
        <source>保存配置文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source> 提示 </source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>打开文件失败</source>
        <translation>Open Failed</translation>
    </message>
    <message>
        <source> 欢迎界面</source>
        <translation> Welcome </translation>
    </message>
    <message>
        <source> 设备信息</source>
        <translation> Device </translation>
    </message>
    <message>
        <source> 程序升级</source>
        <translation> Upgrade</translation>
    </message>
    <message>
        <source> 用户定制</source>
        <translation> Customize</translation>
    </message>
    <message>
        <source> USB设备已连接 </source>
        <translation>The USB Device is connected</translation>
    </message>
    <message>
        <source> USB设备未连接 </source>
        <translation>The USB Device is not connected</translation>
    </message>
    <message>
        <source>写用户资源作业</source>
        <translation>Write user source task</translation>
    </message>
    <message>
        <source> 成功</source>
        <translation> scuessfully</translation>
    </message>
    <message>
        <source> 失败</source>
        <translation> failed</translation>
    </message>
    <message>
        <source>01.开机画面</source>
        <translation>01.logo for power on</translation>
    </message>
    <message>
        <source>02.检测雾化器</source>
        <translation>02.Detecting coil</translation>
    </message>
    <message>
        <source>03.雾化器阻值太大</source>
        <translation>03.Coil high</translation>
    </message>
    <message>
        <source>04.没有雾化器</source>
        <translation>04.Coil not found</translation>
    </message>
    <message>
        <source>05.雾化器短路</source>
        <translation>05.Coil short</translation>
    </message>
    <message>
        <source>06.吸烟超时</source>
        <translation>06.Over time</translation>
    </message>
    <message>
        <source>07.已锁定</source>
        <translation>07.Warning for locked</translation>
    </message>
    <message>
        <source>08.已解锁</source>
        <translation>08.Warning for Unlocked</translation>
    </message>
    <message>
        <source>09.关机画面</source>
        <translation>09.Logo for power off</translation>
    </message>
    <message>
        <source>10.电池电压过低</source>
        <translation>10.Warning for low power</translation>
    </message>
    <message>
        <source>11.电量不足</source>
        <translation>11.Warning for low battery</translation>
    </message>
    <message>
        <source>12.过温保护</source>
        <translation>12.High Temp</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>默认值(&amp;D)</source>
        <translation>&amp;Default</translation>
    </message>
    <message>
        <source> 读资源成功!</source>
        <translation> Read resource successfully!</translation>
    </message>
    <message>
        <source> 读资源失败!</source>
        <translation> Read resource failed!</translation>
    </message>
    <message>
        <source> 设置成功!</source>
        <translation> set successfully!</translation>
    </message>
    <message>
        <source> 设置失败!</source>
        <translation> set failed!</translation>
    </message>
    <message>
        <source>保存用户资源文件</source>
        <translation>save user source file</translation>
    </message>
    <message>
        <source>保存资源文件失败</source>
        <translation>save user source failed</translation>
    </message>
    <message>
        <source>用户资源文件</source>
        <translation>user source file</translation>
    </message>
    <message>
        <source> 加载资源文件</source>
        <translation> load user source file</translation>
    </message>
    <message>
        <source> 文件损坏 </source>
        <translation>The file is corrupted</translation>
    </message>
    <message>
        <source>资源文件与当前设备不匹配</source>
        <translation>The user source file doesn't match the current device</translation>
    </message>
    <message>
        <source>请打开升级文件</source>
        <translation>please open upgrade file</translation>
    </message>
    <message>
        <source>升级文件与目标设备不匹配</source>
        <translation>The upgrade file dosen't match current device</translation>
    </message>
    <message>
        <source>ROM程序升级作业</source>
        <translation>ROM upgrade task</translation>
    </message>
    <message>
        <source> 发现USB设备, 但没有权限打开它: 请安装udev规则后重新插入设备 </source>
        <translation> USB device found, but there is no permission to open it: install the udev rule and plug the device in again </translation>
    </message>
    <message>
        <source> 未能启动监控程序: </source>
        <translation> Could not start the monitor program: </translation>
    </message>
    <message>
        <source>进入升级模式</source>
        <translation>entering the upgrade mode</translation>
    </message>
    <message>
        <source>等待引导程序</source>
        <translation>waiting for the boot loader</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>erasing</translation>
    </message>
    <message>
        <source>写入第 %1 块</source>
        <translation>writing block %1</translation>
    </message>
    <message>
        <source>结束升级</source>
        <translation>finishing the upgrade</translation>
    </message>
    <message>
        <source>重新启动</source>
        <translation>restarting</translation>
    </message>
    <message>
        <source>传输第 %1 张图片</source>
        <translation>transferring picture %1</translation>
    </message>
    <message>
        <source>作业</source>
        <translation>running the job</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时回答了STOP。请确认文件适用于该设备后重试。</source>
        <translation> Cause: the device answered STOP while %1. Check that the file is meant for this device and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备电量不足。请充电后重试。</source>
        <translation> Cause: the device&apos;s battery is low. Charge it and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备没有在8秒内进入引导程序。请重新插入设备后重试。</source>
        <translation> Cause: the device did not start its boot loader within 8 s. Plug it in again and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时停止应答。请检查USB连接后重试。</source>
        <translation> Cause: the device stopped answering while %1. Check the USB connection and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时被拔出。请重新插入设备后重试。</source>
        <translation> Cause: the device was unplugged while %1. Plug it in again and try again.</translation>
    </message>
    <message>
        <source> 原因: 作业在%1时超过了时间限制。请重新插入设备后重试。</source>
        <translation> Cause: the job made no progress within its time limit while %1. Plug the device in again and try again.</translation>
    </message>
    <message>
        <source> 原因: 作业已被中止 (断开连接或关闭程序)。</source>
        <translation> Cause: the job was stopped (the device was disconnected or the program closed).</translation>
    </message>
    <message>
        <source> 原因: 设备停留在引导程序中。请用正确的升级文件再次按下载按钮恢复设备。</source>
        <translation> Cause: the device stayed in its boot loader. Press Upgrade again with the right upgrade file to recover it.</translation>
    </message>
    <message>
        <source> 原因: 设备重启后没有重新出现。请重新插入设备并检查固件版本。</source>
        <translation> Cause: the device did not come back after its restart. Plug it in again and check its firmware version.</translation>
    </message>
    <message>
        <source> 原因: 第 %1 张图片无法转换或保存。请检查图片文件和磁盘空间。</source>
        <translation> Cause: picture %1 could not be converted or saved. Check the picture file and the free disk space.</translation>
    </message>
    <message>
        <source> 第 %1 张图片无法保存: %2</source>
        <translation> Picture %1 could not be saved: %2</translation>
    </message>
    <message>
        <source> 原因: 没有可以写入的图片。</source>
        <translation> Cause: there was no picture that could be written.</translation>
    </message>
    <message>
        <source> 设备已重新启动, 固件版本: %1</source>
        <translation> The device has restarted, firmware version: %1</translation>
    </message>
    <message>
        <source> 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。</source>
        <translation> The device did not come back running its firmware after the restart. Plug it in again and check its firmware version.</translation>
    </message>
    <message>
        <source> 设备处于引导程序中, 正在等待固件: 请选择正确的升级文件并按下载按钮恢复设备</source>
        <translation> The device is in its boot loader and waits for firmware: choose the right upgrade file and press Upgrade to recover it</translation>
    </message>
    <message>
        <source> 设备报告的抽吸时间为 %1 秒, 超出范围, 显示为 %2 秒</source>
        <translation> The device reported a puff time of %1 s, out of range; shown as %2 s</translation>
    </message>
    <message>
        <source>未写入</source>
        <translation>Not written</translation>
    </message>
    <message>
        <source>此图片已修改, 尚未写入设备</source>
        <translation>Changed, not yet written to the device</translation>
    </message>
    <message>
        <source>正在升级固件: 现在关闭会使设备停留在引导程序中, 直到再次用升级文件升级。</source>
        <translation>A firmware upgrade is running: closing now leaves the device in its boot loader until it is upgraded again with an upgrade file.</translation>
    </message>
    <message>
        <source>正在向设备写入图片: 现在关闭会使设备上的图片不完整。</source>
        <translation>Pictures are being written to the device: closing now leaves its pictures incomplete.</translation>
    </message>
    <message>
        <source>强制关闭(&amp;C)</source>
        <translation>&amp;Close anyway</translation>
    </message>
    <message>
        <source>继续运行(&amp;K)</source>
        <translation>&amp;Keep running</translation>
    </message>
    <message>
        <source>设备处于引导程序中, 没有说明它是哪一种设备, 无法检查升级文件是否适用于它。该文件是为 %1 制作的。确定要写入吗?</source>
        <translation>The device is in its boot loader and has not said which device it is, so the upgrade file cannot be checked against it. The file is made for %1. Write it to the device?</translation>
    </message>
    <message>
        <source>写入(&amp;W)</source>
        <translation>&amp;Write</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source> 设备正在重新启动, 正在验证固件</source>
        <translation> The device is restarting; verifying its firmware</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时无法与其他插入的设备区分。请只插入要升级的设备后重试。</source>
        <translation> Cause: while %1 the device could not be told apart from the other devices plugged in. Plug in only the device to upgrade and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时回答了STOP, 没有接受该图片。请检查图片后重试。</source>
        <translation> Cause: the device answered STOP while %1 and did not take the picture. Check the picture and try again.</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时被拔出。设备重新连接后请再次读取或写入图片。</source>
        <translation> Cause: the device was unplugged while %1. Read or write the pictures again once the device is connected again.</translation>
    </message>
    <message>
        <source> 原因: 图片作业在%1时超过了时间限制。请检查USB连接后重试。</source>
        <translation> Cause: the picture job made no progress within its time limit while %1. Check the USB connection and try again.</translation>
    </message>
    <message>
        <source> 原因: 第 %1 张图片无法保存: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> Cause: picture %1 could not be saved: %2. Check the free disk space and the folder&apos;s permissions.</translation>
    </message>
    <message>
        <source> 原因: 图片文件夹无法写入: %1。请检查磁盘空间和文件夹的权限。</source>
        <translation> Cause: the picture folder cannot be written: %1. Check the free disk space and the folder&apos;s permissions.</translation>
    </message>
    <message>
        <source>设备正忙: 请等待当前作业结束后重试</source>
        <translation>The device is busy: wait for the running job to end and try again</translation>
    </message>
    <message>
        <source>该设备不支持此操作</source>
        <translation>This device does not support this operation</translation>
    </message>
    <message>
        <source>升级前备份设备</source>
        <translation>Back up the device first</translation>
    </message>
    <message>
        <source>备份...</source>
        <translation>Backups...</translation>
    </message>
    <message>
        <source>备份设备作业</source>
        <translation>Device backup task</translation>
    </message>
    <message>
        <source>核对备份作业</source>
        <translation>Backup check task</translation>
    </message>
    <message>
        <source>恢复备份作业</source>
        <translation>Backup restore task</translation>
    </message>
    <message>
        <source> 备份保存在 %1</source>
        <translation> The backup is in %1</translation>
    </message>
    <message>
        <source>该备份来自 %1, 而设备是 %2: 型号或屏幕不同, 不能恢复。</source>
        <translation>This backup comes from %1, but the device is %2: another model or screen, so the backup cannot be restored to it.</translation>
    </message>
    <message>
        <source> 原因: 备份文件夹 %1 无法写入: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> Cause: the backup folder %1 cannot be written: %2. Check the disk space and the folder&apos;s permissions.</translation>
    </message>
    <message>
        <source> 原因: 备份已损坏: %1</source>
        <translation> Cause: the backup is damaged: %1</translation>
    </message>
    <message>
        <source>屏幕亮度</source>
        <translation>Screen brightness</translation>
    </message>
    <message>
        <source>最大吸烟时间</source>
        <translation>Max inhalation time</translation>
    </message>
    <message>
        <source>线圈: %1</source>
        <translation>Coils: %1</translation>
    </message>
    <message>
        <source>温度曲线: %1</source>
        <translation>Temperature curves: %1</translation>
    </message>
    <message>
        <source>功率曲线: %1</source>
        <translation>Power curves: %1</translation>
    </message>
    <message>
        <source>图片: %1</source>
        <translation>Pictures: %1</translation>
    </message>
    <message>
        <source>升级前无法备份设备。%1

仍然要升级吗? 升级后设备可能只有出厂的图片、曲线和设置。</source>
        <translation>The device could not be backed up before the upgrade.%1

Upgrade anyway? After the upgrade the device may hold only its factory pictures, curves and settings.</translation>
    </message>
    <message>
        <source>仍然升级(&amp;U)</source>
        <translation>&amp;Upgrade anyway</translation>
    </message>
    <message>
        <source> 设备处于引导程序中, 无法读取, 升级前没有备份</source>
        <translation> The device is in its boot loader and cannot be read: no backup before the upgrade</translation>
    </message>
    <message>
        <source> 原因: 设备没有回答信息请求, 无法读取。</source>
        <translation> Cause: the device did not answer the information request and cannot be read.</translation>
    </message>
    <message>
        <source> 升级已取消</source>
        <translation> The upgrade was cancelled</translation>
    </message>
    <message>
        <source> 设备的参数、曲线和图片与备份相同</source>
        <translation> The device holds the same parameters, curves and pictures as its backup</translation>
    </message>
    <message>
        <source> 设备与备份不同: %1</source>
        <translation> The device differs from its backup: %1</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>Restore the backup</translation>
    </message>
    <message>
        <source>升级后设备与升级前的备份不同:

%1

要恢复备份吗?</source>
        <translation>After the upgrade the device differs from the backup made before it:

%1

Restore the backup?</translation>
    </message>
    <message>
        <source>恢复(&amp;R)</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>保留新设置(&amp;K)</source>
        <translation>&amp;Keep the new settings</translation>
    </message>
    <message>
        <source> 保留了升级后的设置</source>
        <translation> The settings after the upgrade were kept</translation>
    </message>
    <message>
        <source>设备没有说明它的序列号, 无法找到它的备份</source>
        <translation>The device has not given its serial number: its backups cannot be found</translation>
    </message>
    <message>
        <source> 以下图片不适合设备的屏幕, 没有恢复: %1</source>
        <translation> These pictures do not fit the device&apos;s screen and were not restored: %1</translation>
    </message>
    <message>
        <source>设备备份</source>
        <translation>Device backups</translation>
    </message>
    <message>
        <source>备份保存在 %1</source>
        <translation>Backups are kept in %1</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>温度曲线</source>
        <translation>Temperature curves</translation>
    </message>
    <message>
        <source>功率曲线</source>
        <translation>Power curves</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>要把 %1 的备份恢复到设备吗? 设备现在的参数、曲线和图片将被覆盖。</source>
        <translation>Restore the backup of %1 to the device? The parameters, curves and pictures it holds now will be overwritten.</translation>
    </message>
    <message>
        <source>删除备份</source>
        <translation>Delete the backup</translation>
    </message>
    <message>
        <source>要删除 %1 的备份吗? 删除后无法找回。</source>
        <translation>Delete the backup of %1? It cannot be brought back.</translation>
    </message>
    <message>
        <source>无法删除备份: %1</source>
        <translation>The backup could not be deleted: %1</translation>
    </message>
</context>
<context>
    <name>MyFrame</name>
    <message>
        <source>产品名称</source>
        <translation>Product name</translation>
    </message>
    <message>
        <source>产品型号</source>
        <translation>Product module</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>CHIP ID</translation>
    </message>
    <message>
        <source>外观图</source>
        <translation>Appearence</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware Version</translation>
    </message>
    <message>
        <source>固件描述</source>
        <translation>Firmware Info</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Software version</translation>
    </message>
    <message>
        <source>软件描述</source>
        <translation>Software Info</translation>
    </message>
</context>
<context>
    <name>qcurve</name>
    <message>
        <source>时间</source>
        <translation>time</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s </translation>
    </message>
</context>
<context>
    <name>group</name>
    <message>
        <source>参数设置</source>
        <translation>Coil advanced seeting and select</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>雾化器材质</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>图标</source>
        <translation>Icon</translation>
    </message>
    <message>
        <source>系数</source>
        <translation>Coefficient</translation>
    </message>
    <message>
        <source>选中</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>不锈钢316</source>
        <translation>Steel 316</translation>
    </message>
    <message>
        <source>镍200</source>
        <translation>Ni 200</translation>
    </message>
    <message>
        <source>钛</source>
        <translation>Ti</translation>
    </message>
    <message>
        <source>镍铬</source>
        <translation>NC</translation>
    </message>
</context>
<context>
    <name>editor</name>
    <message>
        <source>图片编辑</source>
        <translation>Image Edit</translation>
    </message>
    <message>
        <source>导入图片(&amp;O)</source>
        <translation>Import Image(&amp;O)</translation>
    </message>
    <message>
        <source>导出图片(&amp;E)</source>
        <translation>Export Image(&amp;E)</translation>
    </message>
    <message>
        <source>默认值(&amp;B)</source>
        <translation>Default(&amp;B)</translation>
    </message>
    <message>
        <source> 缩放比例</source>
        <translation> Zoom level</translation>
    </message>
    <message>
        <source> 缩放</source>
        <translation> Zoom</translation>
    </message>
    <message>
        <source> 像素</source>
        <translation> Pixel</translation>
    </message>
    <message>
        <source> 位置</source>
        <translation> Position</translation>
    </message>
    <message>
        <source>打开字符模式</source>
        <translation>Character Mode</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>字宽</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source> 确认(&amp;S) </source>
        <translation> OK(&amp;S) </translation>
    </message>
    <message>
        <source> 取消(&amp;Q) </source>
        <translation> Cancel(&amp;Q) </translation>
    </message>
    <message>
        <source>打开图片</source>
        <translation>Open Image</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>阈值</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>亮度不低于阈值的像素点亮</source>
        <translation>Pixels at least as bright as the threshold are lit</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>Dither(&amp;D)</translation>
    </message>
    <message>
        <source>用点的疏密表现灰度 (Floyd-Steinberg)</source>
        <translation>Shows grey as dot patterns (Floyd-Steinberg)</translation>
    </message>
    <message>
        <source>按设备显示的颜色 (RGB565)</source>
        <translation>Colours as the device shows them (RGB565)</translation>
    </message>
    <message>
        <source>撤销(&amp;U)</source>
        <translation>Undo(&amp;U)</translation>
    </message>
    <message>
        <source>重做(&amp;R)</source>
        <translation>Redo(&amp;R)</translation>
    </message>
    <message>
        <source>反色(&amp;I)</source>
        <translation>Invert(&amp;I)</translation>
    </message>
    <message>
        <source>水平翻转(&amp;H)</source>
        <translation>Flip horizontally(&amp;H)</translation>
    </message>
    <message>
        <source>垂直翻转(&amp;V)</source>
        <translation>Flip vertically(&amp;V)</translation>
    </message>
    <message>
        <source>清除(&amp;C)</source>
        <translation>Clear(&amp;C)</translation>
    </message>
    <message>
        <source>方向键: 平移一个像素</source>
        <translation>Arrow keys: shift by one pixel</translation>
    </message>
    <message>
        <source>居中(&amp;T)</source>
        <translation>Centred(&amp;T)</translation>
    </message>
    <message>
        <source>无法读取图片:</source>
        <translation>Cannot read the picture:</translation>
    </message>
    <message>
        <source>无法保存图片:</source>
        <translation>Cannot save the picture:</translation>
    </message>
    <message>
        <source>没有图片</source>
        <translation>No picture</translation>
    </message>
</context>
<context>
    <name>box</name>
    <message>
        <source>终止(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source> 关于电子烟</source>
        <translation> About E-Cigarette</translation>
    </message>
    <message>
        <source>
 korlex 电子烟
 1.0.18.0
 版权所有 (C) 2015-2021 korlex 保留所有权利
 技术支持: support@example.com
 如有任何疑问, 欢迎随时与我们联系。
 邮箱: info@example.com
 电话: +00 000 0000 000</source>
        <translation>
 korlex E-Cigarette
 1.0.18.0
 Copyright (C) 2015-2021 korlex. All rights reserved.
 Technical support: support@example.com
 E-mail: info@example.com
 Tel: +00 000 0000 000</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://www.example.com&quot;&gt;访问korlex官网</source>
        <translation>&lt;a href=&quot;https://www.example.com&quot;&gt;korlex website</translation>
    </message>
    <message>
        <source>关闭(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>升级文件过大</source>
        <translation>The upgrade file is too large</translation>
    </message>
</context>
</TS>
