<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AlarmWatch</name>
    <message>
        <source>%1 outside its alarm limits</source>
        <translation>%1 경보 한계 이탈</translation>
    </message>
    <message>
        <source>%1 channels outside their alarm limits: %2</source>
        <translation>%1개 채널이 경보 한계를 벗어남: %2</translation>
    </message>
</context>
<context>
    <name>ChannelHealthModel</name>
    <message>
        <source>failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>최근값</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>최소</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>최대</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>평균</translation>
    </message>
    <message>
        <source>Std dev</source>
        <translation>표준편차</translation>
    </message>
    <message>
        <source>Taken</source>
        <translation>측정</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <source>Given up</source>
        <translation>포기</translation>
    </message>
    <message>
        <source>Unit changes</source>
        <translation>단위 변경</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>경보</translation>
    </message>
    <message>
        <source>Last failure</source>
        <translation>최근 실패</translation>
    </message>
    <message>
        <source>Failure time</source>
        <translation>실패 시각</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>The median time from a channel&apos;s select to its settled reply, over its latest readings: a term at least this long lets the scanner settle.</source>
        <translation>채널 선택부터 안정된 응답까지 걸린 시간의 중앙값(최근 측정값 기준): 주기를 이보다 길게 하면 스캐너가 안정됩니다.</translation>
    </message>
    <message>
        <source>Not settled</source>
        <translation>안정 안 됨</translation>
    </message>
    <message>
        <source>Settle time</source>
        <translation>안정 시간</translation>
    </message>
</context>
<context>
    <name>ChannelNames</name>
    <message>
        <source>the file is larger than %1 KiB: not a list of channel names</source>
        <translation>파일이 %1 KiB보다 큽니다: 채널 이름 목록이 아닙니다</translation>
    </message>
    <message>
        <source>the file is not UTF-8 text</source>
        <translation>파일이 UTF-8 텍스트가 아닙니다</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>%1번째 줄</translation>
    </message>
    <message>
        <source>%1: a quoted field is not closed</source>
        <translation>%1: 따옴표로 시작한 필드가 닫히지 않았습니다</translation>
    </message>
    <message>
        <source>%1: more than three fields (channel, name, note)</source>
        <translation>%1: 필드가 세 개(채널, 이름, 메모)보다 많습니다</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a channel (%3 to %4)</source>
        <translation>%1: &quot;%2&quot;은(는) 채널이 아닙니다 (%3 ~ %4)</translation>
    </message>
    <message>
        <source>%1: channel %2 is named twice</source>
        <translation>%1: 채널 %2의 이름이 두 번 있습니다</translation>
    </message>
</context>
<context>
    <name>FileCommands</name>
    <message>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>Will you save previous results?</source>
        <translation>이전 결과를 저장하시겠습니까?</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>오류</translation>
    </message>
    <message>
        <source>File Error !!
%1
%2</source>
        <translation>파일 오류!!
%1
%2</translation>
    </message>
    <message>
        <source>%1 was not loaded.
%2</source>
        <translation>%1을(를) 불러오지 못했습니다.
%2</translation>
    </message>
    <message>
        <source>The results were not saved to %1: %2</source>
        <translation>결과를 %1에 저장하지 못했습니다: %2</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 파일이 이미 있습니다.
바꾸시겠습니까?</translation>
    </message>
    <message>
        <source>1 cell without a reading was written as 0</source>
        <translation>판독값이 없는 셀 1개를 0으로 기록했습니다</translation>
    </message>
    <message>
        <source>%1 cells without a reading were written as 0</source>
        <translation>판독값이 없는 셀 %1개를 0으로 기록했습니다</translation>
    </message>
    <message>
        <source>Text File (*.txt)</source>
        <translation>텍스트 파일 (*.txt)</translation>
    </message>
    <message>
        <source>;;All File (*.*)</source>
        <translation>;;모든 파일 (*.*)</translation>
    </message>
    <message>
        <source>;;All File (*)</source>
        <translation>;;모든 파일 (*)</translation>
    </message>
    <message>
        <source>These results have zero offsets. Save the values zeroed?

Yes saves each reading minus its channel&apos;s offset; No saves the readings as read. The file does not say which it holds.</source>
        <translation>이 결과에는 영점 오프셋이 있습니다. 영점 보정한 값을 저장하시겠습니까?

예: 각 판독값에서 채널의 오프셋을 뺀 값을 저장합니다. 아니요: 읽은 그대로 저장합니다. 파일에는 어느 쪽인지 기록되지 않습니다.</translation>
    </message>
</context>
<context>
    <name>ForwardingScanRecord</name>
    <message>
        <source>; readings are kept on this machine and sent when it can be reached</source>
        <translation>; 판독값은 이 컴퓨터에 보관되며 서버에 연결되면 전송됩니다</translation>
    </message>
</context>
<context>
    <name>HistoryCommands</name>
    <message>
        <source>Scan History</source>
        <translation>스캔 기록</translation>
    </message>
    <message>
        <source>The scan record cannot be read: %1</source>
        <translation>스캔 기록을 읽을 수 없습니다: %1</translation>
    </message>
    <message>
        <source>Scans are not being kept on disk.</source>
        <translation>스캔이 디스크에 보관되지 않고 있습니다.</translation>
    </message>
    <message>
        <source>The scan was not opened: %1</source>
        <translation>스캔을 열지 못했습니다: %1</translation>
    </message>
    <message>
        <source>The scan started %1 was not opened: %2</source>
        <translation>%1에 시작한 스캔을 열지 못했습니다: %2</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV로 내보내기</translation>
    </message>
    <message>
        <source>The scan could not be read: %1</source>
        <translation>스캔을 읽지 못했습니다: %1</translation>
    </message>
    <message>
        <source>CSV File (*.csv);;All File (*)</source>
        <translation>CSV 파일 (*.csv);;모든 파일 (*)</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 파일이 이미 있습니다.
바꾸시겠습니까?</translation>
    </message>
    <message>
        <source>The CSV file %1 was not written: %2</source>
        <translation>CSV 파일 %1을(를) 쓰지 못했습니다: %2</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>%1(으)로 내보냈습니다</translation>
    </message>
    <message>
        <source>These results have zero offsets. Export the values zeroed?

Yes writes each reading minus its channel&apos;s offset, with a column that says which zero applied; No writes the readings as read.</source>
        <translation>이 결과에는 영점 오프셋이 있습니다. 영점 보정한 값을 내보내시겠습니까?

예: 각 판독값에서 채널의 오프셋을 뺀 값을 적용된 영점을 밝히는 열과 함께 씁니다. 아니요: 읽은 그대로 씁니다.</translation>
    </message>
</context>
<context>
    <name>LineKeeper</name>
    <message>
        <source>Scanner on %1 (%2) lost at %3; reconnecting (attempt %4)</source>
        <translation>%1(%2)의 스캐너 연결이 %3에 끊어졌습니다. 다시 연결하는 중 (%4번째 시도)</translation>
    </message>
</context>
<context>
    <name>LiveData</name>
    <message>
        <source>unit </source>
        <translation>단위 </translation>
    </message>
    <message>
        <source>, scan started in </source>
        <translation>, 스캔 시작 시 단위 </translation>
    </message>
    <message>
        <source> below the low limit </source>
        <translation> 하한 미만, 하한: </translation>
    </message>
    <message>
        <source> above the high limit </source>
        <translation> 상한 초과, 상한: </translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>응답 없음</translation>
    </message>
    <message>
        <source>unreadable reply</source>
        <translation>읽을 수 없는 응답</translation>
    </message>
    <message>
        <source>line to the scanner lost</source>
        <translation>스캐너 연결 끊김</translation>
    </message>
    <message>
        <source> (given up)</source>
        <translation> (포기)</translation>
    </message>
    <message>
        <source>channel failing</source>
        <translation>개 채널 실패 중</translation>
    </message>
    <message>
        <source>channels failing</source>
        <translation>개 채널 실패 중</translation>
    </message>
    <message>
        <source>reading in another unit</source>
        <translation>건의 다른 단위 판독값</translation>
    </message>
    <message>
        <source>readings in another unit</source>
        <translation>건의 다른 단위 판독값</translation>
    </message>
    <message>
        <source>reading outside its alarm limits</source>
        <translation>건의 경보 한계 이탈 판독값</translation>
    </message>
    <message>
        <source>readings outside their alarm limits</source>
        <translation>건의 경보 한계 이탈 판독값</translation>
    </message>
    <message>
        <source>; see Live View</source>
        <translation>; 실시간 보기 참조</translation>
    </message>
    <message>
        <source>Values %1</source>
        <translation>값 %1</translation>
    </message>
</context>
<context>
    <name>MainCommands</name>
    <message>
        <source>&amp;File</source>
        <translation>파일(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;New File</source>
        <translation>새 파일(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>열기(&amp;O)...</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>최근 파일 열기(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>저장(&amp;S)...</translation>
    </message>
    <message>
        <source>Scan &amp;History...</source>
        <translation>스캔 기록(&amp;H)...</translation>
    </message>
    <message>
        <source>Export &amp;CSV...</source>
        <translation>CSV로 내보내기(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>인쇄(&amp;P)...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>끝내기(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Set</source>
        <translation>설정(&amp;S)</translation>
    </message>
    <message>
        <source>Serial &amp;Port</source>
        <translation>직렬 포트(&amp;P)</translation>
    </message>
    <message>
        <source>Serial &amp;Devices...</source>
        <translation>직렬 장치(&amp;D)...</translation>
    </message>
    <message>
        <source>&amp;Stop the scan when the line is lost</source>
        <translation>연결이 끊기면 스캔 중지(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Channel Count</source>
        <translation>채널 수(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Alarm Limits...</source>
        <translation>경보 한계(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>보기(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Live View</source>
        <translation>실시간 보기(&amp;L)</translation>
    </message>
    <message>
        <source>S&amp;can</source>
        <translation>스캔(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>시작(&amp;S)</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>중지(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Manual...</source>
        <translation>수동 스캔(&amp;M)...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>도움말(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>정보(&amp;A)</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Qt 정보(&amp;Q)</translation>
    </message>
    <message>
        <source>Show &amp;Log</source>
        <translation>로그 보기(&amp;L)</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>도구 모음</translation>
    </message>
    <message>
        <source>New File</source>
        <translation>새 파일</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>인쇄</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>시작</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>중지</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>수동 스캔</translation>
    </message>
    <message>
        <source>C&amp;hannels...</source>
        <translation>채널 이름(&amp;H)...</translation>
    </message>
    <message>
        <source>&amp;Zero</source>
        <translation>영점 잡기(&amp;Z)</translation>
    </message>
    <message>
        <source>C&amp;lear Zero</source>
        <translation>영점 해제(&amp;L)</translation>
    </message>
    <message>
        <source>Zero &amp;Passes</source>
        <translation>영점 패스 수(&amp;P)</translation>
    </message>
    <message>
        <source>Settle &amp;Check...</source>
        <translation>안정 확인(&amp;C)...</translation>
    </message>
</context>
<context>
    <name>MainStatusBar</name>
    <message>
        <source>Scan stopped: the line to the scanner on %1 failed (%2)</source>
        <translation>스캔 중지: %1의 스캐너 연결에 실패했습니다 (%2)</translation>
    </message>
    <message>
        <source>The line to the scanner on %1 failed (%2)</source>
        <translation>%1의 스캐너 연결에 실패했습니다 (%2)</translation>
    </message>
    <message>
        <source>Demo</source>
        <translation>데모</translation>
    </message>
    <message>
        <source>Demo: both ports lead to the simulated scanner on %1; its readings are not real.</source>
        <translation>데모: 두 포트 모두 %1의 시뮬레이션 스캐너에 연결됩니다. 판독값은 실제 값이 아닙니다.</translation>
    </message>
    <message>
        <source>Ch %1: unreadable reply</source>
        <translation>Ch %1: 읽을 수 없는 응답</translation>
    </message>
    <message>
        <source>No reply from scanner on </source>
        <translation>스캐너 응답 없음: </translation>
    </message>
    <message>
        <source>Readings are not being kept on disk: </source>
        <translation>판독값이 디스크에 보관되지 않고 있습니다: </translation>
    </message>
    <message>
        <source>%1:%2:%3, pass %4</source>
        <translation>%1:%2:%3, %4회차</translation>
    </message>
</context>
<context>
    <name>OverviewPlot</name>
    <message>
        <source>Channel</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>given up</source>
        <translation>포기</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>값</translation>
    </message>
    <message>
        <source>Value (</source>
        <translation>값 (</translation>
    </message>
    <message>
        <source>no reading</source>
        <translation>읽은 값 없음</translation>
    </message>
    <message>
        <source>Click to add the channel to the trend or take it away.</source>
        <translation>클릭하면 채널을 추세 그래프에 추가하거나 추세 그래프에서 뺍니다.</translation>
    </message>
</context>
<context>
    <name>PortDevicesDialog</name>
    <message>
        <source>Serial Devices</source>
        <translation>직렬 장치</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>장치</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>설명</translation>
    </message>
    <message>
        <source>Manufacturer</source>
        <translation>제조사</translation>
    </message>
    <message>
        <source>No serial devices found; type a device path.</source>
        <translation>직렬 장치를 찾지 못했습니다. 장치 경로를 입력하십시오.</translation>
    </message>
    <message>
        <source>Serial devices present:</source>
        <translation>연결된 직렬 장치:</translation>
    </message>
    <message>
        <source>com1:</source>
        <translation>com1:</translation>
    </message>
    <message>
        <source>com2:</source>
        <translation>com2:</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>새로 고침(&amp;R)</translation>
    </message>
</context>
<context>
    <name>QtSerialPort</name>
    <message>
        <source>%1 is in use by another program (%2). Close the other program, or choose another device.</source>
        <translation>%1을(를) 다른 프로그램이 사용하고 있습니다 (%2). 그 프로그램을 닫거나 다른 장치를 선택하십시오.</translation>
    </message>
    <message>
        <source>%1 cannot be opened by this user (%2). Add yourself to the group &quot;%3&quot; with &quot;sudo usermod -aG %3 $USER&quot;, then log out and log in again.</source>
        <translation>이 사용자는 %1을(를) 열 수 없습니다 (%2). &quot;sudo usermod -aG %3 $USER&quot; 명령으로 &quot;%3&quot; 그룹에 자신을 추가한 다음, 로그아웃했다가 다시 로그인하십시오.</translation>
    </message>
</context>
<context>
    <name>RecentFilesMenu</name>
    <message>
        <source>%1 no longer exists; it was taken off the recent files.</source>
        <translation>%1 파일이 더 이상 없어 최근 파일 목록에서 뺐습니다.</translation>
    </message>
</context>
<context>
    <name>ResultFileReader</name>
    <message>
        <source>It cannot be opened: %1</source>
        <translation>열 수 없습니다: %1</translation>
    </message>
    <message>
        <source>The load was cancelled.</source>
        <translation>불러오기를 취소했습니다.</translation>
    </message>
    <message>
        <source>Reading failed: %1</source>
        <translation>읽기에 실패했습니다: %1</translation>
    </message>
    <message>
        <source>It holds a NUL byte at byte %1.</source>
        <translation>%1번째 바이트에 NUL 바이트가 있습니다.</translation>
    </message>
    <message>
        <source>A field at byte %1 is longer than %2 bytes.</source>
        <translation>%1번째 바이트의 필드가 %2바이트보다 깁니다.</translation>
    </message>
    <message>
        <source>The file is empty.</source>
        <translation>파일이 비어 있습니다.</translation>
    </message>
    <message>
        <source>This is not a result file: its first field is not the title.</source>
        <translation>결과 파일이 아닙니다. 첫 필드가 제목이 아닙니다.</translation>
    </message>
    <message>
        <source>The file ends before the header&apos;s unit label.</source>
        <translation>머리글의 단위 레이블 전에 파일이 끝납니다.</translation>
    </message>
    <message>
        <source>The file holds more rows than a table can.</source>
        <translation>파일의 행이 표가 담을 수 있는 것보다 많습니다.</translation>
    </message>
</context>
<context>
    <name>ResultFileWriter</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>%1을(를) 저장할 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Writing failed: %1</source>
        <translation>쓰기에 실패했습니다: %1</translation>
    </message>
</context>
<context>
    <name>ScanHistoryModel</name>
    <message>
        <source>not ended</source>
        <translation>끝나지 않음</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>중지됨</translation>
    </message>
    <message>
        <source>saved</source>
        <translation>저장됨</translation>
    </message>
    <message>
        <source>discarded</source>
        <translation>버려짐</translation>
    </message>
    <message>
        <source> s</source>
        <comment>seconds</comment>
        <translation> 초</translation>
    </message>
    <message>
        <source>this computer</source>
        <translation>이 컴퓨터</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>시작</translation>
    </message>
    <message>
        <source>End</source>
        <translation>종료</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>Term</source>
        <translation>주기</translation>
    </message>
    <message>
        <source>Passes</source>
        <translation>회차</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>판독값</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>실패</translation>
    </message>
    <message>
        <source>State</source>
        <translation>상태</translation>
    </message>
    <message>
        <source>Saved to</source>
        <translation>저장 위치</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>컴퓨터</translation>
    </message>
    <message>
        <source>simulated scanner</source>
        <translation>시뮬레이션 스캐너</translation>
    </message>
    <message>
        <source>Scanner</source>
        <translation>스캐너</translation>
    </message>
</context>
<context>
    <name>ScanRecovery</name>
    <message>
        <source>Recover Scan</source>
        <translation>스캔 복구</translation>
    </message>
    <message>
        <source>The scan could not be read back: %1</source>
        <translation>스캔을 다시 읽어 오지 못했습니다: %1</translation>
    </message>
    <message>
        <source>VESTRA-IP -[Recovered scan %1]</source>
        <translation>VESTRA-IP -[복구된 스캔 %1]</translation>
    </message>
    <message>
        <source>The scan started %1 in the record cannot be restored (%2). It is not offered again.</source>
        <translation>기록에 있는 %1에 시작한 스캔은 복원할 수 없습니다(%2). 다시 묻지 않습니다.</translation>
    </message>
    <message>
        <source>The scan started %1 on %2 (%3, %4 readings) was not saved. Restore it?</source>
        <translation>%1에 %2에서 시작한 스캔(%3, 판독값 %4개)이 저장되지 않았습니다. 복구하시겠습니까?</translation>
    </message>
    <message>
        <source>1 pass</source>
        <translation>1회</translation>
    </message>
    <message>
        <source>%1 passes</source>
        <translation>%1회</translation>
    </message>
</context>
<context>
    <name>ScanSession</name>
    <message>
        <source>Cannot open the scanner&apos;s port %1: %2</source>
        <translation>스캐너 포트 %1을(를) 열 수 없습니다: %2</translation>
    </message>
</context>
<context>
    <name>ScanSettingsPanel</name>
    <message>
        <source>Pressure</source>
        <translation>압력</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>초</translation>
    </message>
    <message>
        <source>Scan Term:</source>
        <translation>스캔 주기:</translation>
    </message>
    <message>
        <source>End CH:</source>
        <translation>종료 CH:</translation>
    </message>
    <message>
        <source>Start CH:</source>
        <translation>시작 CH:</translation>
    </message>
    <message>
        <source>Channel Error</source>
        <translation>채널 오류</translation>
    </message>
    <message>
        <source>Set Start CH less than End CH...</source>
        <translation>시작 CH를 종료 CH보다 작게 설정하십시오...</translation>
    </message>
    <message>
        <source>Scan Term</source>
        <translation>스캔 주기</translation>
    </message>
    <message>
        <source>The scan term is too long: at most %1 seconds.</source>
        <translation>스캔 주기가 너무 깁니다. 최대 %1초까지 설정할 수 있습니다.</translation>
    </message>
    <message>
        <source>Pressure (zeroed)</source>
        <translation>압력 (영점 보정)</translation>
    </message>
</context>
<context>
    <name>SettleText</name>
    <message numerus="yes">
        <source>%n queries, %1 ms after the select</source>
        <translation>
            <numerusform>조회 %n회, 선택 후 %1 ms</numerusform>
        </translation>
    </message>
    <message>
        <source>not settled: no time for a second reply (%1)</source>
        <translation>안정 안 됨: 두 번째 응답을 받을 시간이 없음 (%1)</translation>
    </message>
    <message>
        <source>not settled: the last two replies differ by %1 %2 (%3)</source>
        <translation>안정 안 됨: 마지막 두 응답의 차이 %1 %2 (%3)</translation>
    </message>
</context>
<context>
    <name>TrendPlot</name>
    <message>
        <source>Time</source>
        <translation>시각</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>회차</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>값</translation>
    </message>
    <message>
        <source>Value (</source>
        <translation>값 (</translation>
    </message>
    <message>
        <source>pass </source>
        <translation>회차 </translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>추세</translation>
    </message>
    <message>
        <source>Cannot export as &quot;%1&quot;: choose a PNG, SVG or PDF file.</source>
        <translation>&quot;%1&quot; 형식으로 내보낼 수 없습니다. PNG, SVG 또는 PDF 파일을 선택하십시오.</translation>
    </message>
    <message>
        <source>Cannot write %1.</source>
        <translation>%1에 쓸 수 없습니다.</translation>
    </message>
    <message>
        <source>Choose channels in the list to see their trend.</source>
        <translation>목록에서 채널을 고르면 추세가 표시됩니다.</translation>
    </message>
    <message>
        <source>No readings yet.</source>
        <translation>아직 읽은 값이 없습니다.</translation>
    </message>
</context>
<context>
    <name>ZeroCommands</name>
    <message>
        <source>Zeroing cancelled</source>
        <translation>영점 잡기를 취소했습니다</translation>
    </message>
    <message>
        <source>The zero was not taken: the scan ended before its passes were complete</source>
        <translation>영점을 잡지 못했습니다: 영점 패스가 끝나기 전에 스캔이 끝났습니다</translation>
    </message>
    <message>
        <source>Zero cleared: readings are shown as read</source>
        <translation>영점을 해제했습니다: 판독값을 읽은 그대로 표시합니다</translation>
    </message>
    <message>
        <source>Zeroing: the next complete pass is taken as the zero; keep the reference pressure applied</source>
        <translation>영점 잡기: 다음 전체 패스를 영점으로 잡습니다. 기준 압력을 유지하십시오</translation>
    </message>
    <message>
        <source>Zeroing: the mean of the next %1 complete passes is taken as the zero; keep the reference pressure applied</source>
        <translation>영점 잡기: 다음 전체 패스 %1개의 평균을 영점으로 잡습니다. 기준 압력을 유지하십시오</translation>
    </message>
    <message>
        <source>Zero taken from 1 pass: readings are shown zeroed from pass %1</source>
        <translation>패스 1개로 영점을 잡았습니다: 패스 %1부터 판독값을 영점 보정하여 표시합니다</translation>
    </message>
    <message>
        <source>Zero taken from %1 passes: readings are shown zeroed from pass %2</source>
        <translation>패스 %1개로 영점을 잡았습니다: 패스 %2부터 판독값을 영점 보정하여 표시합니다</translation>
    </message>
    <message>
        <source>No zero was taken: every channel had a failed reading during the zero passes</source>
        <translation>영점을 잡지 못했습니다: 영점 패스 중 모든 채널에 실패한 판독이 있었습니다</translation>
    </message>
    <message>
        <source>; no offset for channel %1 (a failed reading, or a value that is no number or in another unit, during the zero passes)</source>
        <translation>; 채널 %1은(는) 오프셋이 없습니다 (영점 패스 중 실패한 판독, 숫자가 아닌 값 또는 다른 단위의 값)</translation>
    </message>
    <message>
        <source>no zero offset for channel %1</source>
        <translation>채널 %1은(는) 영점 오프셋이 없습니다</translation>
    </message>
</context>
<context>
    <name>ZeroHistory</name>
    <message>
        <source>zeroed at %1</source>
        <translation>%1에 영점 보정</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About VESTRA-IP</source>
        <translation>VESTRA-IP 정보</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>VESTRA-IP Demo</source>
        <translation>VESTRA-IP 데모</translation>
    </message>
    <message>
        <source>Version </source>
        <translation>버전 </translation>
    </message>
    <message>
        <source>Rig: %1</source>
        <translation>장비 ID: %1</translation>
    </message>
    <message>
        <source>VESTRA-IP</source>
        <translation>VESTRA-IP</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Licence: GPL-3.0-or-later</source>
        <translation>라이선스: GPL-3.0-or-later</translation>
    </message>
    <message>
        <source>Record: %1</source>
        <translation>기록: %1</translation>
    </message>
    <message>
        <source>Log: %1</source>
        <translation>로그: %1</translation>
    </message>
    <message>
        <source>Demo: the readings come from the simulated scanner.</source>
        <translation>데모: 판독값은 시뮬레이션 스캐너에서 옵니다.</translation>
    </message>
    <message>
        <source>Licence: GPL-3.0-or-later
Qt %1 (built with %2)</source>
        <translation>라이선스: GPL-3.0-or-later
Qt %1 (%2(으)로 빌드)</translation>
    </message>
</context>
<context>
    <name>frmAlarmLimits</name>
    <message>
        <source>Alarm Limits</source>
        <translation>경보 한계</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>하한</translation>
    </message>
    <message>
        <source>High</source>
        <translation>상한</translation>
    </message>
    <message>
        <source>Apply to &amp;all</source>
        <translation>모두에 적용(&amp;A)</translation>
    </message>
    <message>
        <source>Give every channel the selected channel&apos;s limits</source>
        <translation>선택한 채널의 한계를 모든 채널에 적용합니다</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>붙여넣기(&amp;P)</translation>
    </message>
    <message>
        <source>Paste low and high columns copied from a spreadsheet</source>
        <translation>스프레드시트에서 복사한 하한 및 상한 열을 붙여넣습니다</translation>
    </message>
    <message>
        <source>&amp;Clear all</source>
        <translation>모두 지우기(&amp;C)</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a number.</source>
        <translation>%1: &quot;%2&quot;은(는) 숫자가 아닙니다.</translation>
    </message>
    <message>
        <source>%1: the low limit lies above the high limit.</source>
        <translation>%1: 하한이 상한보다 큽니다.</translation>
    </message>
</context>
<context>
    <name>frmChannels</name>
    <message>
        <source>Channels</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>이름</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>메모</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>붙여넣기(&amp;P)</translation>
    </message>
    <message>
        <source>Paste name and note columns copied from a spreadsheet, or rows of channel, name and note</source>
        <translation>스프레드시트에서 복사한 이름과 메모 열, 또는 채널, 이름, 메모 행을 붙여넣기</translation>
    </message>
    <message>
        <source>&amp;Clear all</source>
        <translation>모두 지우기(&amp;C)</translation>
    </message>
    <message>
        <source>Names show in the grid&apos;s header tips, the live view, the manual window and the CSV export, and are kept with each scan. Result files keep &quot;Ch NN&quot;.</source>
        <translation>이름은 표 머리글의 도움말, 실시간 보기, 수동 창과 CSV 내보내기에 나타나며 스캔마다 함께 보관됩니다. 결과 파일에는 &quot;Ch NN&quot;이 그대로 남습니다.</translation>
    </message>
    <message>
        <source>Ch %1: a name may have at most %2 characters.</source>
        <translation>Ch %1: 이름은 최대 %2자입니다.</translation>
    </message>
    <message>
        <source>Ch %1: a note may have at most %2 characters.</source>
        <translation>Ch %1: 메모는 최대 %2자입니다.</translation>
    </message>
</context>
<context>
    <name>frmLiveView</name>
    <message>
        <source>Live View</source>
        <translation>실시간 보기</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>개요</translation>
    </message>
    <message>
        <source>&amp;Autoscale</source>
        <translation>자동 배율(&amp;A)</translation>
    </message>
    <message>
        <source>Show the whole scan and follow new readings</source>
        <translation>스캔 전체를 표시하고 새 판독값을 따라갑니다</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>내보내기(&amp;E)...</translation>
    </message>
    <message>
        <source>Save the trend as a PNG, SVG or PDF file</source>
        <translation>추세 그래프를 PNG, SVG 또는 PDF 파일로 저장합니다</translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>추세</translation>
    </message>
    <message>
        <source>Channel health</source>
        <translation>채널 상태</translation>
    </message>
    <message>
        <source>Export Trend</source>
        <translation>추세 내보내기</translation>
    </message>
    <message>
        <source>PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)</source>
        <translation>PNG 이미지 (*.png);;SVG 이미지 (*.svg);;PDF 문서 (*.pdf)</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Loading results...</source>
        <translation>결과를 불러오는 중...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <source>Demo: both ports lead to the simulated scanner. This mapping is not stored; the devices chosen before stay as they were.</source>
        <translation>데모: 두 포트 모두 시뮬레이션 스캐너에 연결됩니다. 이 연결은 저장되지 않으며, 전에 선택한 장치는 그대로 유지됩니다.</translation>
    </message>
    <message>
        <source>Settings cannot be saved: </source>
        <translation>설정을 저장할 수 없습니다: </translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>직렬 포트</translation>
    </message>
    <message>
        <source>%1 - Demo, simulated scanner</source>
        <translation>%1 - 데모, 시뮬레이션 스캐너</translation>
    </message>
</context>
<context>
    <name>frmManual</name>
    <message>
        <source>Manual Scan</source>
        <translation>수동 스캔</translation>
    </message>
</context>
<context>
    <name>frmScanHistory</name>
    <message>
        <source>This rig: %1</source>
        <translation>이 장비 ID: %1</translation>
    </message>
    <message>
        <source>Scan History</source>
        <translation>스캔 기록</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>열기(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation>삭제(&amp;D)...</translation>
    </message>
    <message>
        <source>Export &amp;CSV...</source>
        <translation>CSV로 내보내기(&amp;C)...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
    <message>
        <source>The scan now under way cannot be deleted.</source>
        <translation>진행 중인 스캔은 삭제할 수 없습니다.</translation>
    </message>
    <message>
        <source>Delete the scan started %1 (%2, %3 readings)?
It cannot be restored.</source>
        <translation>%1에 시작한 스캔(%2, 판독값 %3개)을 삭제하시겠습니까?
되돌릴 수 없습니다.</translation>
    </message>
    <message>
        <source>1 pass</source>
        <translation>1회</translation>
    </message>
    <message>
        <source>%1 passes</source>
        <translation>%1회</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>삭제</translation>
    </message>
    <message>
        <source>The scan was not deleted: %1</source>
        <translation>스캔을 삭제하지 못했습니다: %1</translation>
    </message>
</context>
<context>
    <name>frmSettleCheck</name>
    <message>
        <source>Settle Check</source>
        <translation>안정 확인</translation>
    </message>
    <message>
        <source>After a reading&apos;s reply, query the channel again until two replies in a row differ by no more than the tolerance, within the tick. A reading that does not settle is kept and shaded. Applies from the next scan.</source>
        <translation>측정 응답 후, 연속된 두 응답의 차이가 허용 오차 이하가 될 때까지 한 주기 안에서 채널을 다시 조회합니다. 안정되지 않은 측정값도 보관되며 음영으로 표시됩니다. 다음 스캔부터 적용됩니다.</translation>
    </message>
    <message>
        <source>&amp;Check that each reading has settled</source>
        <translation>측정값마다 안정 여부 확인(&amp;C)</translation>
    </message>
    <message>
        <source>In the unit the scanner replies in.</source>
        <translation>스캐너가 응답하는 단위입니다.</translation>
    </message>
    <message>
        <source>&amp;Tolerance:</source>
        <translation>허용 오차(&amp;T):</translation>
    </message>
    <message>
        <source>&amp;Most further queries:</source>
        <translation>최대 추가 조회 수(&amp;M):</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The record of scans was damaged and was moved to %1; a new one was begun.</source>
        <translation>스캔 기록이 손상되어 %1(으)로 옮겼습니다. 새 기록을 시작했습니다.</translation>
    </message>
    <message>
        <source>The [Record] Store setting &quot;%1&quot; is not used (%2); readings are kept in %3</source>
        <translation>[Record] Store 설정 &quot;%1&quot;을(를) 사용하지 않습니다 (%2). 판독값은 %3에 보관됩니다</translation>
    </message>
</context>
</TS>
