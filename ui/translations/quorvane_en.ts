<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Search</name>
    <message>
        <source>扫描图片总数： %1 / %2</source>
        <translation>Total pictures scanned: %1 / %2</translation>
    </message>
    <message>
        <source>发现相似图片：%1</source>
        <translation>Similar pictures found: %1</translation>
    </message>
    <message>
        <source>搜索中断</source>
        <translation>Search interrupted</translation>
    </message>
    <message>
        <source>搜索已完成</source>
        <translation>Search finished</translation>
    </message>
</context>
<context>
    <name>TAboutForm</name>
    <message>
        <source>关于 Quorvane 重复图片搜索器</source>
        <translation>About Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>Quorvane 重复图片搜索器</source>
        <translation>Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>添加要搜索的文件夹</source>
        <translation>Add a folder to search</translation>
    </message>
    <message>
        <source>您可以从文件管理器中拖动目录</source>
        <translation>You can drag folders from the file manager</translation>
    </message>
    <message>
        <source>Quorvane 重复图片搜索器</source>
        <translation>Quorvane Duplicate Picture Finder</translation>
    </message>
    <message>
        <source>文件夹：</source>
        <translation>Folders:</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add a folder</translation>
    </message>
    <message>
        <source>删除所选文件夹</source>
        <translation>Remove the selected folder</translation>
    </message>
    <message>
        <source>向上移动</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>向下移动</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>全部清除</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>开始搜索</source>
        <translation>Start search</translation>
    </message>
    <message>
        <source>扫描子目录</source>
        <translation>Scan subfolders</translation>
    </message>
    <message>
        <source>移动文件</source>
        <translation>Move the file to another folder</translation>
    </message>
    <message>
        <source>浏览文件</source>
        <translation>Show the file in the file manager</translation>
    </message>
    <message>
        <source>删除文件</source>
        <translation>Delete the file</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>相似度：</source>
        <translation>Similarity:</translation>
    </message>
    <message>
        <source>交换图像</source>
        <translation>Swap the pictures</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>将重复项列表保存到CSV</source>
        <translation>Save the list of duplicates to CSV</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>如何使用</source>
        <translation>How to use</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>访问该计划的网站</source>
        <translation>Visit the program&apos;s website</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>捐赠</source>
        <translation>Donate</translation>
    </message>
    <message>
        <source>文件在搜索后已更改，未执行任何操作：</source>
        <translation>The file has changed since the search; nothing was done:</translation>
    </message>
    <message>
        <source>找不到此文件:</source>
        <translation>Cannot find this file:</translation>
    </message>
    <message>
        <source>找不到此文件：</source>
        <translation>Cannot find this file:</translation>
    </message>
    <message>
        <source>您真的要删除吗</source>
        <translation>Do you really want to delete this file?</translation>
    </message>
    <message>
        <source>无法将文件移到回收站%1</source>
        <translation>Cannot move the file to the trash: %1</translation>
    </message>
    <message>
        <source>无法删除文件%1</source>
        <translation>Cannot delete the file %1</translation>
    </message>
    <message>
        <source>错误代码 = %1</source>
        <translation>Error code = %1</translation>
    </message>
    <message>
        <source>重复项列表为空。</source>
        <translation>The list of duplicates is empty.</translation>
    </message>
    <message>
        <source>将重复项列表保存到CSV文件</source>
        <translation>Save the list of duplicates to a CSV file</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>任何文件 (*.*)</source>
        <translation>Any file (*.*)</translation>
    </message>
    <message>
        <source>文件 &quot;%1&quot; 存在。换一个新的？</source>
        <translation>The file &quot;%1&quot; exists. Replace it?</translation>
    </message>
    <message>
        <source>无图像</source>
        <translation>No picture</translation>
    </message>
    <message>
        <source>您可以从文件管理器将目录拖动到此处</source>
        <translation>You can drag folders here from the file manager</translation>
    </message>
    <message>
        <source>已标记</source>
        <translation>Marked</translation>
    </message>
    <message>
        <source>标记</source>
        <translation>Marks</translation>
    </message>
    <message>
        <source>标记副本，保留像素最多的图片</source>
        <translation>Mark the copies, keep the picture with the most pixels</translation>
    </message>
    <message>
        <source>标记副本，保留文件最大的图片</source>
        <translation>Mark the copies, keep the largest file</translation>
    </message>
    <message>
        <source>标记副本，保留最旧的图片</source>
        <translation>Mark the copies, keep the oldest picture</translation>
    </message>
    <message>
        <source>标记副本，保留最新的图片</source>
        <translation>Mark the copies, keep the newest picture</translation>
    </message>
    <message>
        <source>标记副本，保留参考文件夹中的图片...</source>
        <translation>Mark the copies, keep the pictures in a reference folder...</translation>
    </message>
    <message>
        <source>清除所有标记</source>
        <translation>Clear all marks</translation>
    </message>
    <message>
        <source>删除标记的图片</source>
        <translation>Delete the marked pictures</translation>
    </message>
    <message>
        <source>移动标记的图片...</source>
        <translation>Move the marked pictures...</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>文件在搜索后已更改</source>
        <translation>the file has changed since the search</translation>
    </message>
    <message>
        <source>组中没有保留的图片</source>
        <translation>no picture of its group is kept</translation>
    </message>
    <message>
        <source>保留的图片已不存在</source>
        <translation>the kept picture is gone</translation>
    </message>
    <message>
        <source>保留的图片在搜索后已更改</source>
        <translation>the kept picture has changed since the search</translation>
    </message>
    <message>
        <source>保留的图片是同一个文件</source>
        <translation>the kept picture is the same file</translation>
    </message>
    <message>
        <source>目标文件夹中已有同名文件</source>
        <translation>the target folder already has a file of this name</translation>
    </message>
    <message>
        <source>原位置已有文件</source>
        <translation>another file is in its old place</translation>
    </message>
    <message>
        <source>文件已不在原处</source>
        <translation>the file is no longer where it was put</translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
    <message>
        <source>已标记 %1 张图片，涉及 %2 个组。</source>
        <translation>Marked %1 pictures in %2 groups.</translation>
    </message>
    <message>
        <source>%1 个组中没有参考文件夹里的图片</source>
        <translation>%1 with no picture in the reference folder</translation>
    </message>
    <message>
        <source>%1 个组中没有可以标记的图片</source>
        <translation>%1 with no picture that could be marked</translation>
    </message>
    <message>
        <source>%1%2 个组未标记：%3。</source>
        <translation>%1 %2 groups were left unmarked: %3.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1%2 张图片与保留的图片相似度低于 %3%，未标记。</source>
        <translation>%1 %2 pictures are less than %3% similar to the kept picture and were left unmarked.</translation>
    </message>
    <message>
        <source>无法标记此文件，组中至少要保留一张未标记的图片：</source>
        <translation>Cannot mark this file; at least one picture of its group must stay unmarked:</translation>
    </message>
    <message>
        <source>选择参考文件夹：其中的图片将被保留</source>
        <translation>Choose the reference folder: the pictures in it are kept</translation>
    </message>
    <message>
        <source>只标记与保留的图片相同或至少如此相似的图片（%）：</source>
        <translation>Mark only pictures identical to the kept picture or at least this similar (%):</translation>
    </message>
    <message>
        <source>没有标记的图片。</source>
        <translation>No picture is marked.</translation>
    </message>
    <message>
        <source>%1 个标记的文件（共 %2，%3 个组）</source>
        <translation>%1 marked files (%2 in all, in %3 groups)</translation>
    </message>
    <message>
        <source>您真的要将 %1移到回收站吗</source>
        <translation>Do you really want to move %1 to the trash?</translation>
    </message>
    <message>
        <source>您真的要永久删除 %1吗</source>
        <translation>Do you really want to delete %1 for good?</translation>
    </message>
    <message>
        <source>将标记的文件移动到所选文件夹</source>
        <translation>Move the marked files to the selected folder</translation>
    </message>
    <message>
        <source>您真的要将 %1 个标记的文件（共 %2，%3 个组）移动到%4吗</source>
        <translation>Do you really want to move %1 marked files (%2 in all, in %3 groups) to%4?</translation>
    </message>
    <message>
        <source>正在处理标记的文件...</source>
        <translation>Working on the marked files...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已移到回收站 %1 个文件。</source>
        <translation>Moved %1 files to the trash.</translation>
    </message>
    <message>
        <source>已移动 %1 个文件。</source>
        <translation>Moved %1 files.</translation>
    </message>
    <message>
        <source>已删除 %1 个文件。</source>
        <translation>Deleted %1 files.</translation>
    </message>
    <message>
        <source>%1%2 个文件已不存在。</source>
        <translation>%1 %2 files were already gone.</translation>
    </message>
    <message>
        <source>%1已取消，%2 个文件未处理。</source>
        <translation>%1 Cancelled; %2 files were not handled.</translation>
    </message>
    <message>
        <source>%1%2 个文件未处理，仍保留标记：</source>
        <translation>%1 %2 files were left alone and stay marked:</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>无法记录此操作，将无法撤销：</source>
        <translation>Cannot record this action; it cannot be undone:</translation>
    </message>
    <message>
        <source>没有可以撤销的操作。</source>
        <translation>There is nothing to undo.</translation>
    </message>
    <message>
        <source>无法记录撤销：</source>
        <translation>Cannot record the undo:</translation>
    </message>
    <message>
        <source>已恢复 %1 个文件。</source>
        <translation>Restored %1 files.</translation>
    </message>
    <message>
        <source>%1%2 个文件未恢复：</source>
        <translation>%1 %2 files were not restored:</translation>
    </message>
    <message>
        <source>参考文件夹：其中的图片参与比较，但不会被标记、移动或删除</source>
        <translation>Reference folder: its pictures are compared but never marked, moved or deleted</translation>
    </message>
    <message>
        <source>设为参考文件夹</source>
        <translation>Use as reference folder</translation>
    </message>
    <message>
        <source>不是重复项（N）</source>
        <translation>Not duplicates (N)</translation>
    </message>
    <message>
        <source>只显示相似度不低于 </source>
        <translation>Show pairs at least </translation>
    </message>
    <message>
        <source>% 的配对</source>
        <translation>% similar</translation>
    </message>
    <message>
        <source>不是重复项</source>
        <translation>Not duplicates</translation>
    </message>
    <message>
        <source>显示 %1 / %2</source>
        <translation>Showing %1 of %2</translation>
    </message>
    <message>
        <source>将显示的 %1 个配对保存到CSV文件</source>
        <translation>Save the %1 shown pairs to a CSV file</translation>
    </message>
    <message>
        <source>无法标记此文件，它在参考文件夹中：</source>
        <translation>Cannot mark this file; it is in a reference folder:</translation>
    </message>
    <message>
        <source>规则作用于所有配对，包括未显示的 %1 个。</source>
        <translation>The rule covered all pairs, the %1 not shown included.</translation>
    </message>
    <message>
        <source>忘记所有“不是重复项”决定（%1）</source>
        <translation>Forget all &quot;not duplicates&quot; decisions (%1)</translation>
    </message>
    <message>
        <source>您真的要忘记所有 %1 个“不是重复项”决定吗？以后的搜索将再次列出这些配对。</source>
        <translation>Do you really want to forget all %1 &quot;not duplicates&quot; decisions? Later searches will list these pairs again.</translation>
    </message>
    <message>
        <source>无法忘记“不是重复项”决定：</source>
        <translation>Cannot forget the &quot;not duplicates&quot; decisions:</translation>
    </message>
    <message>
        <source>已忘记 %1 个“不是重复项”决定。</source>
        <translation>Forgot %1 &quot;not duplicates&quot; decisions.</translation>
    </message>
    <message>
        <source>无法记录此决定：</source>
        <translation>Cannot record this decision:</translation>
    </message>
    <message>
        <source>无法撤销此决定：</source>
        <translation>Cannot undo this decision:</translation>
    </message>
    <message>
        <source>已撤销“不是重复项”决定。</source>
        <translation>The &quot;not duplicates&quot; decision was undone.</translation>
    </message>
    <message>
        <source>参考</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>显示所有配对</source>
        <translation>Show all pairs</translation>
    </message>
</context>
<context>
    <name>TPairListModel</name>
    <message>
        <source>原始图像</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>重复图像</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>相似度</source>
        <translation>Similarity</translation>
    </message>
</context>
<context>
    <name>TSearchPart</name>
    <message>
        <source>来自签名缓存：%1 张，已解码：%2 张</source>
        <translation>From the signature cache: %1, decoded: %2</translation>
    </message>
    <message>
        <source>签名缓存已损坏：已移到一旁并新建了一个。</source>
        <translation>The signature cache was damaged: it was moved aside and a new one was started.</translation>
    </message>
    <message>
        <source>签名缓存已损坏：本次搜索未使用它，已移到一旁，下次搜索将新建一个。</source>
        <translation>The signature cache is damaged: this search did not use it; it was moved aside and the next search will start a new one.</translation>
    </message>
    <message>
        <source>签名缓存被其他程序锁定：本次搜索未使用它。</source>
        <translation>The signature cache is locked by another program: this search did not use it.</translation>
    </message>
    <message>
        <source>签名缓存无法写入：本次搜索未使用它。</source>
        <translation>The signature cache cannot be written: this search did not use it.</translation>
    </message>
    <message>
        <source>磁盘已满：本次搜索未使用签名缓存。</source>
        <translation>The disk is full: this search did not use the signature cache.</translation>
    </message>
    <message>
        <source>签名缓存由更新版本的程序写入：本次搜索未使用它。</source>
        <translation>The signature cache was written by a newer version of the program: this search did not use it.</translation>
    </message>
    <message>
        <source>签名缓存出错：本次搜索未使用它。</source>
        <translation>The signature cache failed: this search did not use it.</translation>
    </message>
    <message>
        <source>请添加一个或多个要搜索的目录。</source>
        <translation>Please add one or more folders to search.</translation>
    </message>
    <message>
        <source>请在“设置”菜单中选择一种或多种文件类型。</source>
        <translation>Please choose one or more file types in the &quot;Settings&quot; menu.</translation>
    </message>
    <message>
        <source>发现重复项： %1</source>
        <translation>Duplicates found: %1</translation>
    </message>
    <message>
        <source>磁盘空间使用情况：%1</source>
        <translation>Disk space used: %1</translation>
    </message>
    <message>
        <source>扫描文件：%1</source>
        <translation>Files scanned: %1</translation>
    </message>
    <message>
        <source>扫描的文件： 0</source>
        <translation>Files scanned: 0</translation>
    </message>
    <message>
        <source>磁盘空间使用情况：0 MB</source>
        <translation>Disk space used: 0 MB</translation>
    </message>
    <message>
        <source>停止搜索</source>
        <translation>Stop search</translation>
    </message>
    <message>
        <source>扫描图像： 0 / 0</source>
        <translation>Pictures scanned: 0 / 0</translation>
    </message>
    <message>
        <source>相似图像： 0</source>
        <translation>Similar pictures: 0</translation>
    </message>
    <message>
        <source>运行时间： %1</source>
        <translation>Running time: %1</translation>
    </message>
    <message>
        <source>开始搜索</source>
        <translation>Start search</translation>
    </message>
    <message>
        <source>清空签名缓存（%1）</source>
        <translation>Empty the signature cache (%1)</translation>
    </message>
    <message>
        <source>无法清空签名缓存。</source>
        <translation>The signature cache could not be emptied.</translation>
    </message>
    <message>
        <source>无法读取“不是重复项”决定，本次搜索未使用它们：</source>
        <translation>Cannot read the &quot;not duplicates&quot; decisions; this search did not use them: </translation>
    </message>
</context>
<context>
    <name>TSettingsForm</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>佳能 CR2</source>
        <translation>Canon CR2</translation>
    </message>
    <message>
        <source>删除选项</source>
        <translation>Deleting</translation>
    </message>
    <message>
        <source>将文件移至回收站</source>
        <translation>Move files to the trash</translation>
    </message>
    <message>
        <source>不显示删除文件提示框</source>
        <translation>Delete without asking</translation>
    </message>
    <message>
        <source>搜索选项</source>
        <translation>Searching</translation>
    </message>
    <message>
        <source>仅搜索100%相似的图片</source>
        <translation>Find only 100% identical pictures</translation>
    </message>
    <message>
        <source>最小图片宽度</source>
        <translation>Minimum width</translation>
    </message>
    <message>
        <source>最小图片高度</source>
        <translation>Minimum height</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>自动检查更新</source>
        <translation>Check for updates automatically</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>扫描以下类型</source>
        <translation>Scan these types</translation>
    </message>
    <message>
        <source>其他相机 RAW</source>
        <translation>Other camera RAW</translation>
    </message>
    <message>
        <source>查找旋转或镜像的图片</source>
        <translation>Find rotated or mirrored pictures</translation>
    </message>
</context>
<context>
    <name>TUpdateForm</name>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>转到下载页面</source>
        <translation>Go to the download page</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
</TS>
