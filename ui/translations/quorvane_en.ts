<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Search</name>
    <message>
        <source>扫描图片总数： %1 / %2</source>
        <translation type="vanished">Total pictures scanned: %1 / %2</translation>
    </message>
    <message>
        <source>发现相似图片：%1</source>
        <translation type="vanished">Similar pictures found: %1</translation>
    </message>
    <message>
        <source>搜索中断</source>
        <translation type="vanished">Search interrupted</translation>
    </message>
    <message>
        <source>搜索已完成</source>
        <translation type="vanished">Search finished</translation>
    </message>
</context>
<context>
    <name>TAboutForm</name>
    <message>
        <source>关于 Quorvane 重复图片搜索器</source>
        <translation type="vanished">About Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>Quorvane 重复图片搜索器</source>
        <translation type="vanished">Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation type="vanished">Version %1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="vanished">OK</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>添加要搜索的文件夹</source>
        <translation type="vanished">Add a folder to search</translation>
    </message>
    <message>
        <source>您可以从文件管理器中拖动目录</source>
        <translation type="vanished">You can drag folders from the file manager</translation>
    </message>
    <message>
        <source>Quorvane 重复图片搜索器</source>
        <translation type="vanished">Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>文件夹：</source>
        <translation type="vanished">Folders:</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation type="vanished">Add a folder</translation>
    </message>
    <message>
        <source>删除所选文件夹</source>
        <translation type="vanished">Remove the selected folder</translation>
    </message>
    <message>
        <source>向上移动</source>
        <translation type="vanished">Move up</translation>
    </message>
    <message>
        <source>向下移动</source>
        <translation type="vanished">Move down</translation>
    </message>
    <message>
        <source>全部清除</source>
        <translation type="vanished">Clear all</translation>
    </message>
    <message>
        <source>开始搜索</source>
        <translation type="vanished">Start search</translation>
    </message>
    <message>
        <source>扫描子目录</source>
        <translation type="vanished">Scan subfolders</translation>
    </message>
    <message>
        <source>移动文件</source>
        <translation type="vanished">Move the file to another folder</translation>
    </message>
    <message>
        <source>浏览文件</source>
        <translation type="vanished">Show the file in the file manager</translation>
    </message>
    <message>
        <source>删除文件</source>
        <translation type="vanished">Delete the file</translation>
    </message>
    <message>
        <source>移动</source>
        <translation type="vanished">Move</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation type="vanished">Show</translation>
    </message>
    <message>
        <source>删除</source>
        <translation type="vanished">Delete</translation>
    </message>
    <message>
        <source>相似度：</source>
        <translation type="vanished">Similarity:</translation>
    </message>
    <message>
        <source>交换图像</source>
        <translation type="vanished">Swap the pictures</translation>
    </message>
    <message>
        <source>文件</source>
        <translation type="vanished">File</translation>
    </message>
    <message>
        <source>将重复项列表保存到CSV</source>
        <translation type="vanished">Save the list of duplicates to CSV</translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="vanished">Quit</translation>
    </message>
    <message>
        <source>设置</source>
        <translation type="vanished">Settings</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation type="vanished">Help</translation>
    </message>
    <message>
        <source>如何使用</source>
        <translation type="vanished">How to use</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation type="vanished">Check for updates</translation>
    </message>
    <message>
        <source>访问该计划的网站</source>
        <translation type="vanished">Visit the program&apos;s website</translation>
    </message>
    <message>
        <source>关于</source>
        <translation type="vanished">About</translation>
    </message>
    <message>
        <source>捐赠</source>
        <translation type="vanished">Donate</translation>
    </message>
    <message>
        <source>文件在搜索后已更改，未执行任何操作：</source>
        <translation type="vanished">The file has changed since the search; nothing was done:</translation>
    </message>
    <message>
        <source>找不到此文件:</source>
        <translation type="vanished">Cannot find this file:</translation>
    </message>
    <message>
        <source>找不到此文件：</source>
        <translation type="vanished">Cannot find this file:</translation>
    </message>
    <message>
        <source>您真的要删除吗</source>
        <translation type="vanished">Do you really want to delete this file?</translation>
    </message>
    <message>
        <source>无法将文件移到回收站%1</source>
        <translation type="vanished">Cannot move the file to the trash: %1</translation>
    </message>
    <message>
        <source>无法删除文件%1</source>
        <translation type="vanished">Cannot delete the file %1</translation>
    </message>
    <message>
        <source>错误代码 = %1</source>
        <translation type="vanished">Error code = %1</translation>
    </message>
    <message>
        <source>重复项列表为空。</source>
        <translation type="vanished">The list of duplicates is empty.</translation>
    </message>
    <message>
        <source>将重复项列表保存到CSV文件</source>
        <translation type="vanished">Save the list of duplicates to a CSV file</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation type="vanished">CSV files (*.csv)</translation>
    </message>
    <message>
        <source>任何文件 (*.*)</source>
        <translation type="vanished">Any file (*.*)</translation>
    </message>
    <message>
        <source>文件 &quot;%1&quot; 存在。换一个新的？</source>
        <translation type="vanished">The file &quot;%1&quot; exists. Replace it?</translation>
    </message>
    <message>
        <source>请添加一个或多个要搜索的目录。</source>
        <translation type="vanished">Please add one or more folders to search.</translation>
    </message>
    <message>
        <source>请在“设置”菜单中选择一种或多种文件类型。</source>
        <translation type="vanished">Please choose one or more file types in the &quot;Settings&quot; menu.</translation>
    </message>
    <message>
        <source>发现重复项： %1</source>
        <translation type="vanished">Duplicates found: %1</translation>
    </message>
    <message>
        <source>磁盘空间使用情况：%1</source>
        <translation type="vanished">Disk space used: %1</translation>
    </message>
    <message>
        <source>扫描文件：%1</source>
        <translation type="vanished">Files scanned: %1</translation>
    </message>
    <message>
        <source>扫描的文件： 0</source>
        <translation type="vanished">Files scanned: 0</translation>
    </message>
    <message>
        <source>磁盘空间使用情况：0 MB</source>
        <translation type="vanished">Disk space used: 0 MB</translation>
    </message>
    <message>
        <source>无图像</source>
        <translation type="vanished">No picture</translation>
    </message>
    <message>
        <source>停止搜索</source>
        <translation type="vanished">Stop search</translation>
    </message>
    <message>
        <source>扫描图像： 0 / 0</source>
        <translation type="vanished">Pictures scanned: 0 / 0</translation>
    </message>
    <message>
        <source>相似图像： 0</source>
        <translation type="vanished">Similar pictures: 0</translation>
    </message>
    <message>
        <source>运行时间： %1</source>
        <translation type="vanished">Running time: %1</translation>
    </message>
    <message>
        <source>您可以从文件管理器将目录拖动到此处</source>
        <translation type="vanished">You can drag folders here from the file manager</translation>
    </message>
</context>
<context>
    <name>TPairListModel</name>
    <message>
        <source>原始图像</source>
        <translation type="vanished">Original</translation>
    </message>
    <message>
        <source>重复图像</source>
        <translation type="vanished">Duplicate</translation>
    </message>
    <message>
        <source>相似度</source>
        <translation type="vanished">Similarity</translation>
    </message>
</context>
<context>
    <name>TSettingsForm</name>
    <message>
        <source>设置</source>
        <translation type="vanished">Settings</translation>
    </message>
    <message>
        <source>佳能 CR2</source>
        <translation type="vanished">Canon CR2</translation>
    </message>
    <message>
        <source>删除选项</source>
        <translation type="vanished">Deleting</translation>
    </message>
    <message>
        <source>将文件移至回收站</source>
        <translation type="vanished">Move files to the trash</translation>
    </message>
    <message>
        <source>不显示删除文件提示框</source>
        <translation type="vanished">Delete without asking</translation>
    </message>
    <message>
        <source>搜索选项</source>
        <translation type="vanished">Searching</translation>
    </message>
    <message>
        <source>仅搜索100%相似的图片</source>
        <translation type="vanished">Only search for 100% identical pictures</translation>
    </message>
    <message>
        <source>最小图片宽度</source>
        <translation type="vanished">Minimum width</translation>
    </message>
    <message>
        <source>最小图片高度</source>
        <translation type="vanished">Minimum height</translation>
    </message>
    <message>
        <source>应用</source>
        <translation type="vanished">Application</translation>
    </message>
    <message>
        <source>自动检查更新</source>
        <translation type="vanished">Check for updates automatically</translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="vanished">OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="vanished">Cancel</translation>
    </message>
    <message>
        <source>像素</source>
        <translation type="vanished">pixels</translation>
    </message>
    <message>
        <source>扫描以下类型</source>
        <translation type="vanished">Scan these types</translation>
    </message>
</context>
<context>
    <name>TUpdateForm</name>
    <message>
        <source>检查更新</source>
        <translation type="vanished">Check for updates</translation>
    </message>
    <message>
        <source>转到下载页面</source>
        <translation type="vanished">Go to the download page</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="vanished">Close</translation>
    </message>
</context>
</TS>
