<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>main</name>
    <message>
        <source>正在升级固件: 现在关闭会使设备停留在引导程序中, 直到再次用升级文件升级。</source>
        <translation>正在升級韌體: 現在關閉會使裝置停留在開機載入程式中, 直到再次用升級檔案升級。</translation>
    </message>
    <message>
        <source>正在向设备写入图片: 现在关闭会使设备上的图片不完整。</source>
        <translation>正在向裝置寫入圖片: 現在關閉會使裝置上的圖片不完整。</translation>
    </message>
    <message>
        <source>强制关闭(&amp;C)</source>
        <translation>強制關閉(&amp;C)</translation>
    </message>
    <message>
        <source>继续运行(&amp;K)</source>
        <translation>繼續執行(&amp;K)</translation>
    </message>
    <message>
        <source>设备处于引导程序中, 没有说明它是哪一种设备, 无法检查升级文件是否适用于它。该文件是为 %1 制作的。确定要写入吗?</source>
        <translation>裝置處於開機載入程式中, 沒有說明它是哪一種裝置, 無法檢查升級檔案是否適用於它。該檔案是為 %1 製作的。確定要寫入嗎?</translation>
    </message>
    <message>
        <source>写入(&amp;W)</source>
        <translation>寫入(&amp;W)</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source> 设备正在重新启动, 正在验证固件</source>
        <translation> 裝置正在重新啟動, 正在驗證韌體</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时无法与其他插入的设备区分。请只插入要升级的设备后重试。</source>
        <translation> 原因: 裝置在%1時無法與其他插入的裝置區分。請只插入要升級的裝置後重試。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时回答了STOP, 没有接受该图片。请检查图片后重试。</source>
        <translation> 原因: 裝置在%1時回答了STOP, 沒有接受該圖片。請檢查圖片後重試。</translation>
    </message>
    <message>
        <source> 原因: 设备在%1时被拔出。设备重新连接后请再次读取或写入图片。</source>
        <translation> 原因: 裝置在%1時被拔出。裝置重新連接後請再次讀取或寫入圖片。</translation>
    </message>
    <message>
        <source> 原因: 图片作业在%1时超过了时间限制。请检查USB连接后重试。</source>
        <translation> 原因: 圖片作業在%1時超過了時間限制。請檢查USB連接後重試。</translation>
    </message>
    <message>
        <source> 原因: 第 %1 张图片无法保存: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 第 %1 張圖片無法儲存: %2。請檢查磁碟空間和資料夾的權限。</translation>
    </message>
    <message>
        <source> 原因: 图片文件夹无法写入: %1。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 圖片資料夾無法寫入: %1。請檢查磁碟空間和資料夾的權限。</translation>
    </message>
    <message>
        <source>设备正忙: 请等待当前作业结束后重试</source>
        <translation>裝置正忙: 請等待目前作業結束後重試</translation>
    </message>
    <message>
        <source>该设备不支持此操作</source>
        <translation>該裝置不支援此操作</translation>
    </message>
    <message>
        <source>升级前备份设备</source>
        <translation>升級前備份裝置</translation>
    </message>
    <message>
        <source>备份...</source>
        <translation>備份...</translation>
    </message>
    <message>
        <source>备份设备作业</source>
        <translation>備份裝置作業</translation>
    </message>
    <message>
        <source>核对备份作业</source>
        <translation>核對備份作業</translation>
    </message>
    <message>
        <source>恢复备份作业</source>
        <translation>恢復備份作業</translation>
    </message>
    <message>
        <source> 备份保存在 %1</source>
        <translation> 備份儲存在 %1</translation>
    </message>
    <message>
        <source>该备份来自 %1, 而设备是 %2: 型号或屏幕不同, 不能恢复。</source>
        <translation>該備份來自 %1, 而裝置是 %2: 型號或螢幕不同, 不能恢復。</translation>
    </message>
    <message>
        <source> 原因: 备份文件夹 %1 无法写入: %2。请检查磁盘空间和文件夹的权限。</source>
        <translation> 原因: 備份資料夾 %1 無法寫入: %2。請檢查磁碟空間和資料夾的權限。</translation>
    </message>
    <message>
        <source> 原因: 备份已损坏: %1</source>
        <translation> 原因: 備份已損壞: %1</translation>
    </message>
    <message>
        <source>屏幕亮度</source>
        <translation>螢幕亮度</translation>
    </message>
    <message>
        <source>最大吸烟时间</source>
        <translation>最大吸菸時間</translation>
    </message>
    <message>
        <source>线圈: %1</source>
        <translation>線圈: %1</translation>
    </message>
    <message>
        <source>温度曲线: %1</source>
        <translation>溫度曲線: %1</translation>
    </message>
    <message>
        <source>功率曲线: %1</source>
        <translation>功率曲線: %1</translation>
    </message>
    <message>
        <source>图片: %1</source>
        <translation>圖片: %1</translation>
    </message>
    <message>
        <source>升级前无法备份设备。%1

仍然要升级吗? 升级后设备可能只有出厂的图片、曲线和设置。</source>
        <translation>升級前無法備份裝置。%1

仍然要升級嗎? 升級後裝置可能只有出廠的圖片、曲線和設定。</translation>
    </message>
    <message>
        <source>仍然升级(&amp;U)</source>
        <translation>仍然升級(&amp;U)</translation>
    </message>
    <message>
        <source> 设备处于引导程序中, 无法读取, 升级前没有备份</source>
        <translation> 裝置處於引導程式中, 無法讀取, 升級前沒有備份</translation>
    </message>
    <message>
        <source> 原因: 设备没有回答信息请求, 无法读取。</source>
        <translation> 原因: 裝置沒有回答資訊請求, 無法讀取。</translation>
    </message>
    <message>
        <source> 升级已取消</source>
        <translation> 升級已取消</translation>
    </message>
    <message>
        <source> 设备的参数、曲线和图片与备份相同</source>
        <translation> 裝置的參數、曲線和圖片與備份相同</translation>
    </message>
    <message>
        <source> 设备与备份不同: %1</source>
        <translation> 裝置與備份不同: %1</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>恢復備份</translation>
    </message>
    <message>
        <source>升级后设备与升级前的备份不同:

%1

要恢复备份吗?</source>
        <translation>升級後裝置與升級前的備份不同:

%1

要恢復備份嗎?</translation>
    </message>
    <message>
        <source>恢复(&amp;R)</source>
        <translation>恢復(&amp;R)</translation>
    </message>
    <message>
        <source>保留新设置(&amp;K)</source>
        <translation>保留新設定(&amp;K)</translation>
    </message>
    <message>
        <source> 保留了升级后的设置</source>
        <translation> 保留了升級後的設定</translation>
    </message>
    <message>
        <source>设备没有说明它的序列号, 无法找到它的备份</source>
        <translation>裝置沒有說明它的序號, 無法找到它的備份</translation>
    </message>
    <message>
        <source> 以下图片不适合设备的屏幕, 没有恢复: %1</source>
        <translation> 以下圖片不適合裝置的螢幕, 沒有恢復: %1</translation>
    </message>
    <message>
        <source>设备备份</source>
        <translation>裝置備份</translation>
    </message>
    <message>
        <source>备份保存在 %1</source>
        <translation>備份儲存在 %1</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>韌體版本</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>內容</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>刪除(&amp;D)</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>參數</translation>
    </message>
    <message>
        <source>温度曲线</source>
        <translation>溫度曲線</translation>
    </message>
    <message>
        <source>功率曲线</source>
        <translation>功率曲線</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>圖片</translation>
    </message>
    <message>
        <source>要把 %1 的备份恢复到设备吗? 设备现在的参数、曲线和图片将被覆盖。</source>
        <translation>要把 %1 的備份恢復到裝置嗎? 裝置現在的參數、曲線和圖片將被覆蓋。</translation>
    </message>
    <message>
        <source>删除备份</source>
        <translation>刪除備份</translation>
    </message>
    <message>
        <source>要删除 %1 的备份吗? 删除后无法找回。</source>
        <translation>要刪除 %1 的備份嗎? 刪除後無法找回。</translation>
    </message>
    <message>
        <source>无法删除备份: %1</source>
        <translation>無法刪除備份: %1</translation>
    </message>
</context>
</TS>
