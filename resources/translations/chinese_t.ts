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
</context>
</TS>
