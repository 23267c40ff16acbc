<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>系统(&amp;S)</source>
        <translation>系统(&amp;S)</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>语言选择</source>
        <translation>语言选择</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>帮助文档(&amp;H)</source>
        <translation>帮助文档(&amp;H)</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>刷新列表(&amp;F)</source>
        <translation>刷新列表(&amp;F)</translation>
    </message>
    <message>
        <source>连接(&amp;C)</source>
        <translation>连接(&amp;C)</translation>
    </message>
    <message>
        <source>断开(&amp;D)</source>
        <translation>断开(&amp;D)</translation>
    </message>
    <message>
        <source>运行设备(&amp;R)</source>
        <translation>运行设备(&amp;R)</translation>
    </message>
    <message>
        <source>当前设备:</source>
        <translation>当前设备:</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <source>选择(&amp;C)</source>
        <translation>选择(&amp;C)</translation>
    </message>
    <message>
        <source>下载(&amp;U)</source>
        <translation>下载(&amp;U)</translation>
    </message>
    <message>
        <source>文本信息</source>
        <translation>文本信息</translation>
    </message>
    <message>
        <source>从设备读取(&amp;1)</source>
        <translation>从设备读取(&amp;1)</translation>
    </message>
    <message>
        <source>写入到设备(&amp;2)</source>
        <translation>写入到设备(&amp;2)</translation>
    </message>
    <message>
        <source>全部恢复默认(&amp;5)</source>
        <translation>全部恢复默认(&amp;5)</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>    显示    </source>
        <translation>    显示    </translation>
    </message>
    <message>
        <source>    参数    </source>
        <translation>    参数    </translation>
    </message>
    <message>
        <source>   温度曲线    </source>
        <translation>   温度曲线    </translation>
    </message>
    <message>
        <source>  功率曲线    </source>
        <translation>  功率曲线    </translation>
    </message>
    <message>
        <source> 准备就绪</source>
        <translation> 准备就绪</translation>
    </message>
    <message>
        <source> 工作文件夹: </source>
        <translation> 工作文件夹: </translation>
    </message>
    <message>
        <source>找不到帮助文档:</source>
        <translation>找不到帮助文档:</translation>
    </message>
    <message>
        <source>无法打开帮助文档:</source>
        <translation>无法打开帮助文档:</translation>
    </message>
    <message>
        <source>时间设置</source>
        <translation>时间设置</translation>
    </message>
    <message>
        <source>时间校准</source>
        <translation>时间校准</translation>
    </message>
    <message>
        <source>读取时间</source>
        <translation>读取时间</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>恢复出厂设置</translation>
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
        <translation>屏幕亮度</translation>
    </message>
    <message>
        <source>最大吸烟时间</source>
        <translation>最大吸烟时间</translation>
    </message>
    <message>
        <source>校准时间</source>
        <translation>校准时间</translation>
    </message>
    <message>
        <source>回复出厂默认</source>
        <translation>回复出厂默认</translation>
    </message>
    <message>
        <source>温度值</source>
        <translation>温度值</translation>
    </message>
    <message>
        <source>恢复本页默认值(&amp;B)</source>
        <translation>恢复本页默认值(&amp;B)</translation>
    </message>
    <message>
        <source>选择组</source>
        <translation>选择组</translation>
    </message>
    <message>
        <source>温度单位</source>
        <translation>温度单位</translation>
    </message>
    <message>
        <source>平滑曲线(&amp;M)</source>
        <translation>平滑曲线(&amp;M)</translation>
    </message>
    <message>
        <source>温度曲线</source>
        <translation>温度曲线</translation>
    </message>
    <message>
        <source>加载配置文件</source>
        <translation>加载配置文件</translation>
    </message>
    <message>
        <source>保存配置文件</source>
        <translation>保存配置文件</translation>
    </message>
    <message>
        <source>功率值(W)</source>
        <translation>功率值(W)</translation>
    </message>
    <message>
        <source>功率曲线</source>
        <translation>功率曲线</translation>
    </message>
    <message>
        <source>打开升级文件</source>
        <translation>打开升级文件</translation>
    </message>
    <message>
        <source> 提示 </source>
        <translation> 提示 </translation>
    </message>
    <message>
        <source>打开文件失败</source>
        <translation>打开文件失败</translation>
    </message>
    <message>
        <source>产品名称:</source>
        <translation>产品名称:</translation>
    </message>
    <message>
        <source>产品型号:</source>
        <translation>产品型号:</translation>
    </message>
    <message>
        <source>,请保证电子烟电量充足</source>
        <translation>,请保证电子烟电量充足</translation>
    </message>
    <message>
        <source> 升级失败</source>
        <translation> 升级失败</translation>
    </message>
    <message>
        <source>请保证电子烟设备电量充足</source>
        <translation>请保证电子烟设备电量充足</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>默认值(&amp;D)</source>
        <translation>默认值(&amp;D)</translation>
    </message>
    <message>
        <source>保存用户资源文件</source>
        <translation>保存用户资源文件</translation>
    </message>
    <message>
        <source>保存资源文件失败</source>
        <translation>保存资源文件失败</translation>
    </message>
    <message>
        <source>用户资源文件</source>
        <translation>用户资源文件</translation>
    </message>
    <message>
        <source> 加载资源文件</source>
        <translation> 加载资源文件</translation>
    </message>
    <message>
        <source> 文件损坏 </source>
        <translation> 文件损坏 </translation>
    </message>
    <message>
        <source>资源文件与当前设备不匹配</source>
        <translation>资源文件与当前设备不匹配</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source> 准备就绪</source>
        <translation> 准备就绪</translation>
    </message>
    <message>
        <source>恢复本页默认值(&amp;B)</source>
        <translation>恢复本页默认值(&amp;B)</translation>
    </message>
    <message>
        <source>加载配置文件</source>
        <translation>加载配置文件</translation>
    </message>
    <message>
        <source>保存配置文件</source>
        <translation>保存配置文件</translation>
    </message>
    <message>
        <source> 提示 </source>
        <translation> 提示 </translation>
    </message>
    <message>
        <source>打开文件失败</source>
        <translation>打开文件失败</translation>
    </message>
    <message>
        <source> 欢迎界面</source>
        <translation> 欢迎界面</translation>
    </message>
    <message>
        <source> 设备信息</source>
        <translation> 设备信息</translation>
    </message>
    <message>
        <source> 程序升级</source>
        <translation> 程序升级</translation>
    </message>
    <message>
        <source> 用户定制</source>
        <translation> 用户定制</translation>
    </message>
    <message>
        <source> USB设备已连接 </source>
        <translation> USB设备已连接 </translation>
    </message>
    <message>
        <source> USB设备未连接 </source>
        <translation> USB设备未连接 </translation>
    </message>
    <message>
        <source>写用户资源作业</source>
        <translation>写用户资源作业</translation>
    </message>
    <message>
        <source> 成功</source>
        <translation> 成功</translation>
    </message>
    <message>
        <source> 失败</source>
        <translation> 失败</translation>
    </message>
    <message>
        <source>01.开机画面</source>
        <translation>01.开机画面</translation>
    </message>
    <message>
        <source>02.检测雾化器</source>
        <translation>02.检测雾化器</translation>
    </message>
    <message>
        <source>03.雾化器阻值太大</source>
        <translation>03.雾化器阻值太大</translation>
    </message>
    <message>
        <source>04.没有雾化器</source>
        <translation>04.没有雾化器</translation>
    </message>
    <message>
        <source>05.雾化器短路</source>
        <translation>05.雾化器短路</translation>
    </message>
    <message>
        <source>06.吸烟超时</source>
        <translation>06.吸烟超时</translation>
    </message>
    <message>
        <source>07.已锁定</source>
        <translation>07.已锁定</translation>
    </message>
    <message>
        <source>08.已解锁</source>
        <translation>08.已解锁</translation>
    </message>
    <message>
        <source>09.关机画面</source>
        <translation>09.关机画面</translation>
    </message>
    <message>
        <source>10.电池电压过低</source>
        <translation>10.电池电压过低</translation>
    </message>
    <message>
        <source>11.电量不足</source>
        <translation>11.电量不足</translation>
    </message>
    <message>
        <source>12.过温保护</source>
        <translation>12.过温保护</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>默认值(&amp;D)</source>
        <translation>默认值(&amp;D)</translation>
    </message>
    <message>
        <source> 读资源成功!</source>
        <translation>读资源成功!</translation>
    </message>
    <message>
        <source> 读资源失败!</source>
        <translation> 读资源失败!</translation>
    </message>
    <message>
        <source> 设置成功!</source>
        <translation> 设置成功!</translation>
    </message>
    <message>
        <source> 设置失败!</source>
        <translation> 设置失败!</translation>
    </message>
    <message>
        <source>保存用户资源文件</source>
        <translation>保存用户资源文件</translation>
    </message>
    <message>
        <source>保存资源文件失败</source>
        <translation>保存资源文件失败</translation>
    </message>
    <message>
        <source>用户资源文件</source>
        <translation>用户资源文件</translation>
    </message>
    <message>
        <source> 加载资源文件</source>
        <translation> 加载资源文件</translation>
    </message>
    <message>
        <source> 文件损坏 </source>
        <translation> 文件损坏 </translation>
    </message>
    <message>
        <source>资源文件与当前设备不匹配</source>
        <translation>资源文件与当前设备不匹配</translation>
    </message>
    <message>
        <source>请打开升级文件</source>
        <translation>请打开升级文件</translation>
    </message>
    <message>
        <source>升级文件与目标设备不匹配</source>
        <translation>升级文件与目标设备不匹配</translation>
    </message>
    <message>
        <source>ROM程序升级作业</source>
        <translation>ROM程序升级作业</translation>
    </message>
    <message>
        <source> 发现USB设备, 但没有权限打开它: 请安装udev规则后重新插入设备 </source>
        <translation> 发现USB设备, 但没有权限打开它: 请安装udev规则后重新插入设备 </translation>
    </message>
    <message>
        <source> 未能启动监控程序: </source>
        <translation> 未能启动监控程序: </translation>
    </message>
    <message>
        <source>进入升级模式</source>
        <translation>进入升级模式</translation>
    </message>
    <message>
        <source>等待引导程序</source>
        <translation>等待引导程序</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>擦除</translation>
    </message>
    <message>
        <source>写入第 %1 块</source>
        <translation>写入第 %1 块</translation>
    </message>
    <message>
        <source>结束升级</source>
        <translation>结束升级</translation>
    </message>
    <message>
        <source>重新启动</source>
        <translation>重新启动</translation>
    </message>
    <message>
        <source>传输第 %1 张图片</source>
        <translation>传输第 %1 张图片</translation>
    </message>
    <message>
        <source>作业</source>
        <translation>作业</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时回答了STOP。请确认文件适用于该设备后重试。</source>
        <translation> 原因: 设备在%1时回答了STOP。请确认文件适用于该设备后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备电量不足。请充电后重试。</source>
        <translation> 原因: 设备电量不足。请充电后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备没有在8秒内进入引导程序。请重新插入设备后重试。</source>
        <translation> 原因: 设备没有在8秒内进入引导程序。请重新插入设备后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时停止应答。请检查USB连接后重试。</source>
        <translation> 原因: 设备在%1时停止应答。请检查USB连接后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时被拔出。请重新插入设备后重试。</source>
        <translation> 原因: 设备在%1时被拔出。请重新插入设备后重试。</translation>
    </message>
    <message>
        <source> 原因: 作业在%1时超过了时间限制。请重新插入设备后重试。</source>
        <translation> 原因: 作业在%1时超过了时间限制。请重新插入设备后重试。</translation>
    </message>
    <message>
        <source> 原因: 作业已被中止 (断开连接或关闭程序)。</source>
        <translation> 原因: 作业已被中止 (断开连接或关闭程序)。</translation>
    </message>
    <message>
        <source> 原因: 设备停留在引导程序中。请用正确的升级文件再次按下载按钮恢复设备。</source>
        <translation> 原因: 设备停留在引导程序中。请用正确的升级文件再次按下载按钮恢复设备。</translation>
    </message>
    <message>
        <source> 原因: 设备重启后没有重新出现。请重新插入设备并检查固件版本。</source>
        <translation> 原因: 设备重启后没有重新出现。请重新插入设备并检查固件版本。</translation>
    </message>
    <message>
        <source> 原因: 第 %1 张图片无法转换或保存。请检查图片文件和磁盘空间。</source>
        <translation> 原因: 第 %1 张图片无法转换或保存。请检查图片文件和磁盘空间。</translation>
    </message>
    <message>
        <source> 第 %1 张图片无法保存: %2</source>
        <translation> 第 %1 张图片无法保存: %2</translation>
    </message>
    <message>
        <source> 原因: 没有可以写入的图片。</source>
        <translation> 原因: 没有可以写入的图片。</translation>
    </message>
    <message>
        <source> 设备已重新启动, 固件版本: %1</source>
        <translation> 设备已重新启动, 固件版本: %1</translation>
    </message>
    <message>
        <source> 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。</source>
        <translation> 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。</translation>
    </message>
    <message>
        <source> 设备处于引导程序中, 正在等待固件: 请选择正确的升级文件并按下载按钮恢复设备</source>
        <translation> 设备处于引导程序中, 正在等待固件: 请选择正确的升级文件并按下载按钮恢复设备</translation>
    </message>
    <message>
        <source> 设备报告的抽吸时间为 %1 秒, 超出范围, 显示为 %2 秒</source>
        <translation> 设备报告的抽吸时间为 %1 秒, 超出范围, 显示为 %2 秒</translation>
    </message>
    <message>
        <source>未写入</source>
        <translation>未写入</translation>
    </message>
    <message>
        <source>此图片已修改, 尚未写入设备</source>
        <translation>此图片已修改, 尚未写入设备</translation>
    </message>
    <message>
        <source>正在升级固件: 现在关闭会使设备停留在引导程序中, 直到再次用升级文件升级。</source>
        <translation>正在升级固件: 现在关闭会使设备停留在引导程序中, 直到再次用升级文件升级。</translation>
    </message>
    <message>
        <source>正在向设备写入图片: 现在关闭会使设备上的图片不完整。</source>
        <translation>正在向设备写入图片: 现在关闭会使设备上的图片不完整。</translation>
    </message>
    <message>
        <source>强制关闭(&amp;C)</source>
        <translation>强制关闭(&amp;C)</translation>
    </message>
    <message>
        <source>继续运行(&amp;K)</source>
        <translation>继续运行(&amp;K)</translation>
    </message>
    <message>
        <source>设备处于引导程序中, 没有说明它是哪一种设备, 无法检查升级文件是否适用于它。该文件是为 %1 制作的。确定要写入吗?</source>
        <translation>设备处于引导程序中, 没有说明它是哪一种设备, 无法检查升级文件是否适用于它。该文件是为 %1 制作的。确定要写入吗?</translation>
    </message>
    <message>
        <source>写入(&amp;W)</source>
        <translation>写入(&amp;W)</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source> 设备正在重新启动, 正在验证固件</source>
        <translation> 设备正在重新启动, 正在验证固件</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时无法与其他插入的设备区分。请只插入要升级的设备后重试。</source>
        <translation> 原因: 设备在%1时无法与其他插入的设备区分。请只插入要升级的设备后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时回答了STOP, 没有接受该图片。请检查图片后重试。</source>
        <translation> 原因: 设备在%1时回答了STOP, 没有接受该图片。请检查图片后重试。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时被拔出。设备重新连接后请再次读取或写入图片。</source>
        <translation> 原因: 设备在%1时被拔出。设备重新连接后请再次读取或写入图片。</translation>
    </message>
    <message>
        <source> 原因: 图片作业在%1时超过了时间限制。请检查USB连接后重试。</source>
        <translation> 原因: 图片作业在%1时超过了时间限制。请检查USB连接后重试。</translation>
    </message>
    <message>
        <source> 原因: 第 %1 张图片无法保存: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 第 %1 张图片无法保存: %2。请检查磁盘空间和文件夹的权限。</translation>
    </message>
    <message>
        <source> 原因: 图片文件夹无法写入: %1。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 图片文件夹无法写入: %1。请检查磁盘空间和文件夹的权限。</translation>
    </message>
    <message>
        <source>设备正忙: 请等待当前作业结束后重试</source>
        <translation>设备正忙: 请等待当前作业结束后重试</translation>
    </message>
    <message>
        <source>该设备不支持此操作</source>
        <translation>该设备不支持此操作</translation>
    </message>
    <message>
        <source>升级前备份设备</source>
        <translation>升级前备份设备</translation>
    </message>
    <message>
        <source>备份...</source>
        <translation>备份...</translation>
    </message>
    <message>
        <source>备份设备作业</source>
        <translation>备份设备作业</translation>
    </message>
    <message>
        <source>核对备份作业</source>
        <translation>核对备份作业</translation>
    </message>
    <message>
        <source>恢复备份作业</source>
        <translation>恢复备份作业</translation>
    </message>
    <message>
        <source> 备份保存在 %1</source>
        <translation> 备份保存在 %1</translation>
    </message>
    <message>
        <source>该备份来自 %1, 而设备是 %2: 型号或屏幕不同, 不能恢复。</source>
        <translation>该备份来自 %1, 而设备是 %2: 型号或屏幕不同, 不能恢复。</translation>
    </message>
    <message>
        <source> 原因: 备份文件夹 %1 无法写入: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 备份文件夹 %1 无法写入: %2。请检查磁盘空间和文件夹的权限。</translation>
    </message>
    <message>
        <source> 原因: 备份已损坏: %1</source>
        <translation> 原因: 备份已损坏: %1</translation>
    </message>
    <message>
        <source>屏幕亮度</source>
        <translation>屏幕亮度</translation>
    </message>
    <message>
        <source>最大吸烟时间</source>
        <translation>最大吸烟时间</translation>
    </message>
    <message>
        <source>线圈: %1</source>
        <translation>线圈: %1</translation>
    </message>
    <message>
        <source>温度曲线: %1</source>
        <translation>温度曲线: %1</translation>
    </message>
    <message>
        <source>功率曲线: %1</source>
        <translation>功率曲线: %1</translation>
    </message>
    <message>
        <source>图片: %1</source>
        <translation>图片: %1</translation>
    </message>
    <message>
        <source>升级前无法备份设备。%1

仍然要升级吗? 升级后设备可能只有出厂的图片、曲线和设置。</source>
        <translation>升级前无法备份设备。%1

仍然要升级吗? 升级后设备可能只有出厂的图片、曲线和设置。</translation>
    </message>
    <message>
        <source>仍然升级(&amp;U)</source>
        <translation>仍然升级(&amp;U)</translation>
    </message>
    <message>
        <source> 设备处于引导程序中, 无法读取, 升级前没有备份</source>
        <translation> 设备处于引导程序中, 无法读取, 升级前没有备份</translation>
    </message>
    <message>
        <source> 原因: 设备没有回答信息请求, 无法读取。</source>
        <translation> 原因: 设备没有回答信息请求, 无法读取。</translation>
    </message>
    <message>
        <source> 升级已取消</source>
        <translation> 升级已取消</translation>
    </message>
    <message>
        <source> 设备的参数、曲线和图片与备份相同</source>
        <translation> 设备的参数、曲线和图片与备份相同</translation>
    </message>
    <message>
        <source> 设备与备份不同: %1</source>
        <translation> 设备与备份不同: %1</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>恢复备份</translation>
    </message>
    <message>
        <source>升级后设备与升级前的备份不同:

%1

要恢复备份吗?</source>
        <translation>升级后设备与升级前的备份不同:

%1

要恢复备份吗?</translation>
    </message>
    <message>
        <source>恢复(&amp;R)</source>
        <translation>恢复(&amp;R)</translation>
    </message>
    <message>
        <source>保留新设置(&amp;K)</source>
        <translation>保留新设置(&amp;K)</translation>
    </message>
    <message>
        <source> 保留了升级后的设置</source>
        <translation> 保留了升级后的设置</translation>
    </message>
    <message>
        <source>设备没有说明它的序列号, 无法找到它的备份</source>
        <translation>设备没有说明它的序列号, 无法找到它的备份</translation>
    </message>
    <message>
        <source> 以下图片不适合设备的屏幕, 没有恢复: %1</source>
        <translation> 以下图片不适合设备的屏幕, 没有恢复: %1</translation>
    </message>
    <message>
        <source>设备备份</source>
        <translation>设备备份</translation>
    </message>
    <message>
        <source>备份保存在 %1</source>
        <translation>备份保存在 %1</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>内容</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>删除(&amp;D)</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>温度曲线</source>
        <translation>温度曲线</translation>
    </message>
    <message>
        <source>功率曲线</source>
        <translation>功率曲线</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>图片</translation>
    </message>
    <message>
        <source>要把 %1 的备份恢复到设备吗? 设备现在的参数、曲线和图片将被覆盖。</source>
        <translation>要把 %1 的备份恢复到设备吗? 设备现在的参数、曲线和图片将被覆盖。</translation>
    </message>
    <message>
        <source>删除备份</source>
        <translation>删除备份</translation>
    </message>
    <message>
        <source>要删除 %1 的备份吗? 删除后无法找回。</source>
        <translation>要删除 %1 的备份吗? 删除后无法找回。</translation>
    </message>
    <message>
        <source>无法删除备份: %1</source>
        <translation>无法删除备份: %1</translation>
    </message>
</context>
<context>
    <name>MyFrame</name>
    <message>
        <source>产品名称</source>
        <translation>产品名称</translation>
    </message>
    <message>
        <source>产品型号</source>
        <translation>产品型号</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>外观图</source>
        <translation>外观图</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>固件描述</source>
        <translation>固件描述</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <source>软件描述</source>
        <translation>软件描述</translation>
    </message>
</context>
<context>
    <name>qcurve</name>
    <message>
        <source>时间</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>秒</translation>
    </message>
</context>
<context>
    <name>group</name>
    <message>
        <source>参数设置</source>
        <translation>参数设置</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>雾化器材质</source>
        <translation>雾化器材质</translation>
    </message>
    <message>
        <source>图标</source>
        <translation>图标</translation>
    </message>
    <message>
        <source>系数</source>
        <translation>系数</translation>
    </message>
    <message>
        <source>选中</source>
        <translation>选中</translation>
    </message>
    <message>
        <source>不锈钢316</source>
        <translation>不锈钢316</translation>
    </message>
    <message>
        <source>镍200</source>
        <translation>镍200</translation>
    </message>
    <message>
        <source>钛</source>
        <translation>钛</translation>
    </message>
    <message>
        <source>镍铬</source>
        <translation>镍铬</translation>
    </message>
</context>
<context>
    <name>editor</name>
    <message>
        <source>图片编辑</source>
        <translation>图片编辑</translation>
    </message>
    <message>
        <source>导入图片(&amp;O)</source>
        <translation>导入图片(&amp;O)</translation>
    </message>
    <message>
        <source>导出图片(&amp;E)</source>
        <translation>导出图片(&amp;E)</translation>
    </message>
    <message>
        <source>默认值(&amp;B)</source>
        <translation>默认值(&amp;B)</translation>
    </message>
    <message>
        <source> 缩放比例</source>
        <translation> 缩放比例</translation>
    </message>
    <message>
        <source> 缩放</source>
        <translation> 缩放</translation>
    </message>
    <message>
        <source> 像素</source>
        <translation> 像素</translation>
    </message>
    <message>
        <source> 位置</source>
        <translation> 位置</translation>
    </message>
    <message>
        <source>打开字符模式</source>
        <translation>打开字符模式</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>字体</translation>
    </message>
    <message>
        <source>字宽</source>
        <translation>字宽</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>文本</translation>
    </message>
    <message>
        <source> 确认(&amp;S) </source>
        <translation> 确认(&amp;S) </translation>
    </message>
    <message>
        <source> 取消(&amp;Q) </source>
        <translation> 取消(&amp;Q) </translation>
    </message>
    <message>
        <source>打开图片</source>
        <translation>打开图片</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>保存图片</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>图片</translation>
    </message>
    <message>
        <source>阈值</source>
        <translation>阈值</translation>
    </message>
    <message>
        <source>亮度不低于阈值的像素点亮</source>
        <translation>亮度不低于阈值的像素点亮</translation>
    </message>
    <message>
        <source>抖动(&amp;D)</source>
        <translation>抖动(&amp;D)</translation>
    </message>
    <message>
        <source>用点的疏密表现灰度 (Floyd-Steinberg)</source>
        <translation>用点的疏密表现灰度 (Floyd-Steinberg)</translation>
    </message>
    <message>
        <source>按设备显示的颜色 (RGB565)</source>
        <translation>按设备显示的颜色 (RGB565)</translation>
    </message>
    <message>
        <source>撤销(&amp;U)</source>
        <translation>撤销(&amp;U)</translation>
    </message>
    <message>
        <source>重做(&amp;R)</source>
        <translation>重做(&amp;R)</translation>
    </message>
    <message>
        <source>反色(&amp;I)</source>
        <translation>反色(&amp;I)</translation>
    </message>
    <message>
        <source>水平翻转(&amp;H)</source>
        <translation>水平翻转(&amp;H)</translation>
    </message>
    <message>
        <source>垂直翻转(&amp;V)</source>
        <translation>垂直翻转(&amp;V)</translation>
    </message>
    <message>
        <source>清除(&amp;C)</source>
        <translation>清除(&amp;C)</translation>
    </message>
    <message>
        <source>方向键: 平移一个像素</source>
        <translation>方向键: 平移一个像素</translation>
    </message>
    <message>
        <source>居中(&amp;T)</source>
        <translation>居中(&amp;T)</translation>
    </message>
    <message>
        <source>无法读取图片:</source>
        <translation>无法读取图片:</translation>
    </message>
    <message>
        <source>无法保存图片:</source>
        <translation>无法保存图片:</translation>
    </message>
    <message>
        <source>没有图片</source>
        <translation>没有图片</translation>
    </message>
</context>
<context>
    <name>box</name>
    <message>
        <source>终止(&amp;Q)</source>
        <translation>终止(&amp;Q)</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source> 关于电子烟</source>
        <translation> 关于电子烟</translation>
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
 korlex 电子烟
 1.0.18.0
 版权所有 (C) 2015-2021 korlex 保留所有权利
 技术支持: support@example.com
 如有任何疑问, 欢迎随时与我们联系。
 邮箱: info@example.com
 电话: +00 000 0000 000</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://www.example.com&quot;&gt;访问korlex官网</source>
        <translation>&lt;a href=&quot;https://www.example.com&quot;&gt;访问korlex官网</translation>
    </message>
    <message>
        <source>关闭(&amp;Q)</source>
        <translation>关闭(&amp;Q)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>升级文件过大</source>
        <translation>升级文件过大</translation>
    </message>
</context>
</TS>
