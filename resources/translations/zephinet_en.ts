<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Diagnosis</name>
    <message>
        <source>ポート%1を開けなかったため、確かめられませんでした。</source>
        <translation>Port %1 could not be opened, so this could not be checked.</translation>
    </message>
    <message>
        <source>ポート%1を起動中のZephinetが使っているため、セグメントは確かめられません。</source>
        <translation>A running Zephinet uses port %1, so the segment cannot be checked.</translation>
    </message>
    <message>
        <source>Zephinetを終了してからもう一度実行するか、Zephinetの「ヘルプ → 接続の診断」で確かめてください。</source>
        <translation>Quit Zephinet and run this again, or check from Zephinet itself with &quot;Help → Diagnose Connection&quot;.</translation>
    </message>
    <message>
        <source>ポート%1を別のプログラムが使っているため、セグメントは確かめられません。</source>
        <translation>Another program uses port %1, so the segment cannot be checked.</translation>
    </message>
    <message>
        <source>ポート</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>ネットワークインターフェース</source>
        <translation>Network interfaces</translation>
    </message>
    <message>
        <source>ブロードキャストの経路</source>
        <translation>Broadcast routes</translation>
    </message>
    <message>
        <source>ファイアウォール</source>
        <translation>Firewall</translation>
    </message>
    <message>
        <source>セグメントのZephinet</source>
        <translation>Zephinet on this network segment</translation>
    </message>
    <message>
        <source>メッセージを送るマシンのIPアドレス</source>
        <translation>IP addresses to send to as well</translation>
    </message>
    <message>
        <source>table %1 %2、chain %3、handle %4</source>
        <translation>table %1 %2, chain %3, handle %4</translation>
    </message>
    <message>
        <source>nftablesの規則がポート%1のUDPを止めています: %2</source>
        <translation>An nftables rule blocks UDP on port %1: %2</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation> &quot;%1&quot;</translation>
    </message>
    <message>
        <source>条件（アドレス、インターフェースなど）に当てはまるデータだけを捨てます。同じセグメントの相手が当てはまらないか確認してください。</source>
        <translation>It drops only the data that meets its conditions (addresses, interfaces and so on). Check that data from the other users on the same segment does not meet them.</translation>
    </message>
    <message>
        <source>この規則があると、ほかのZephinetとのデータがこのマシンで捨てられます。</source>
        <translation>While this rule is in place, this computer drops the data exchanged with Zephinet on other computers.</translation>
    </message>
    <message>
        <source>sudo nft insert rule %1 position %2 udp %3 %4 accept でその前に許可する規則を入れるか、sudo nft delete rule %1 handle %2 で規則を削除してください。</source>
        <translation>Run sudo nft insert rule %1 position %2 udp %3 %4 accept to put a rule that allows the data before it, or sudo nft delete rule %1 handle %2 to delete the rule.</translation>
    </message>
    <message>
        <source>nftablesのtable %1 %2、chain %3（%4）は許可していないデータを捨て（policy drop）、ポート%5のUDPを許可する規則がありません。</source>
        <translation>The nftables table %1 %2, chain %3 (%4), drops all data it does not allow (policy drop), and no rule allows UDP on port %5.</translation>
    </message>
    <message>
        <source>ほかのZephinetとのデータがこのマシンで捨てられます。</source>
        <translation>This computer drops the data exchanged with Zephinet on other computers.</translation>
    </message>
    <message>
        <source>sudo nft insert rule %1 %2 %3 udp dport %4 accept で許可してください。</source>
        <translation>Run sudo nft insert rule %1 %2 %3 udp dport %4 accept to allow the data.</translation>
    </message>
    <message>
        <source>iptablesの規則がポート%1のUDPを止めています: %2</source>
        <translation>An iptables rule blocks UDP on port %1: %2</translation>
    </message>
    <message>
        <source>sudo iptables-legacy -D %1 で規則を削除してください。</source>
        <translation>Run sudo iptables-legacy -D %1 to delete the rule.</translation>
    </message>
    <message>
        <source>ufwが有効で、ポート%1のUDPを許可する規則がありません。</source>
        <translation>ufw is active and has no rule that allows UDP on port %1.</translation>
    </message>
    <message>
        <source>ほかのZephinetからのデータがこのマシンで捨てられます。</source>
        <translation>This computer drops the data coming from Zephinet on other computers.</translation>
    </message>
    <message>
        <source>sudo ufw allow from 192.168.1.0/24 to any port %1 proto udp のように、セグメントのアドレスから許可してください。</source>
        <translation>Allow the data from the addresses of your segment, with a command such as sudo ufw allow from 192.168.1.0/24 to any port %1 proto udp (with your segment in place of 192.168.1.0/24).</translation>
    </message>
    <message>
        <source>%1の規則は、root権限がないと読めません。</source>
        <translation>The rules of %1 cannot be read without root privileges.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>ファイアウォールがポート%1を止めているかどうかはわかりません。</source>
        <translation>It is not known whether a firewall blocks port %1.</translation>
    </message>
    <message>
        <source>sudo zephinet-cli doctor で確かめてください。</source>
        <translation>Run sudo zephinet-cli doctor to find out.</translation>
    </message>
    <message>
        <source>ファイアウォール（nftables、iptables、ufw）は見つかりませんでした。</source>
        <translation>No firewall (nftables, iptables, ufw) was found.</translation>
    </message>
    <message>
        <source>%1に、ポート%2のUDPを止める規則はありません。</source>
        <translation>No rule in %1 blocks UDP on port %2.</translation>
    </message>
    <message>
        <source>%1（%2）: %3から</source>
        <translation>%1 (%2): from %3</translation>
    </message>
    <message>
        <source>告知（LOGIN）をどのネットワークにも送信できませんでした。</source>
        <translation>The announcement (LOGIN) could not be sent to any network.</translation>
    </message>
    <message>
        <source>ほかのZephinetには、このマシンが見えません。</source>
        <translation>Zephinet on other computers cannot see this computer.</translation>
    </message>
    <message>
        <source>上のインターフェースと経路の項目を確認してください。</source>
        <translation>Check the &quot;Network interfaces&quot; and &quot;Broadcast routes&quot; items above.</translation>
    </message>
    <message>
        <source>%1秒のあいだ、ほかのZephinetからの応答はありませんでした。</source>
        <translation>No Zephinet on another computer answered within %1 seconds.</translation>
    </message>
    <message>
        <source>このセグメントでほかにZephinetが起動していないか、相手のファイアウォールが止めているか、相手のポート番号が違います。</source>
        <translation>Either no other Zephinet is running on this segment, or the other computers&apos; firewalls block the data, or they use a different port number.</translation>
    </message>
    <message>
        <source>相手のマシンでも診断（zephinet-cli doctor、またはヘルプ → 接続の診断）を実行し、ポート番号をそろえてください。ルータの向こうの相手は「メッセージを送るマシンのIPアドレス」に加えてください。</source>
        <translation>Run the diagnosis on the other computers too (zephinet-cli doctor, or Help → Diagnose Connection), and make everyone use the same port number. Add the addresses of users beyond a router to &quot;IP addresses to send to as well&quot;.</translation>
    </message>
    <message>
        <source>%1秒のあいだに%2台のZephinetが応答しました:</source>
        <translation>Computers whose Zephinet answered within %1 seconds: %2</translation>
    </message>
    <message>
        <source>自分の告知は戻ってきませんでした。</source>
        <translation>This computer&apos;s own announcement did not come back to it.</translation>
    </message>
    <message>
        <source>このマシンのファイアウォールが、ポートの送信か受信を止めているおそれがあります。</source>
        <translation>This computer&apos;s firewall may be blocking what is sent from or received on the port.</translation>
    </message>
    <message>
        <source>上のファイアウォールの項目を確認してください。</source>
        <translation>Check the &quot;Firewall&quot; items above.</translation>
    </message>
    <message>
        <source>自分の告知も受信しました: %1から。</source>
        <translation>This computer&apos;s own announcement came back too: from %1.</translation>
    </message>
    <message>
        <source>ポート%1（UDP）は空いています。</source>
        <translation>Port %1 (UDP) is free.</translation>
    </message>
    <message>
        <source>このマシンでZephinetをこのポートで起動できます。</source>
        <translation>Zephinet can start on this port on this computer.</translation>
    </message>
    <message>
        <source>ポート%1（UDP）はこのZephinetが使っています。</source>
        <translation>Port %1 (UDP) is used by this Zephinet.</translation>
    </message>
    <message>
        <source>ポート%1（UDP）は起動中の「%2」（プロセスID %3）が使っています。</source>
        <translation>Port %1 (UDP) is used by &quot;%2&quot; (process ID %3), which is running.</translation>
    </message>
    <message>
        <source>このマシンでは、同じポートのZephinetをもう一つ起動することはできません。</source>
        <translation>A second Zephinet cannot start on the same port on this computer.</translation>
    </message>
    <message>
        <source>ポート%1（UDP）は「%2」（プロセスID %3）が使っています。</source>
        <translation>Port %1 (UDP) is used by &quot;%2&quot; (process ID %3).</translation>
    </message>
    <message>
        <source>Zephinetはこのポートで起動できず、ほかのZephinetからのデータはそのプログラムに届きます。</source>
        <translation>Zephinet cannot start on this port, and data from Zephinet on other computers goes to that program instead.</translation>
    </message>
    <message>
        <source>「%1」を終了するか、そのプログラムのポートを変えてください。Zephinetのポートを変えるときは、全員のポート番号をそろえる必要があります。</source>
        <translation>Quit &quot;%1&quot; or change that program&apos;s port. If you change Zephinet&apos;s port instead, everyone must change to the same port number.</translation>
    </message>
    <message>
        <source>ポート%1（UDP）は別のプログラムが使っていますが、どのプログラムかはわかりません。</source>
        <translation>Port %1 (UDP) is used by another program, but which program is not known.</translation>
    </message>
    <message>
        <source>ほかのユーザのプログラムは、root権限がないと名前がわかりません。</source>
        <translation>The names of programs run by other accounts on this computer cannot be seen without root privileges.</translation>
    </message>
    <message>
        <source>sudo zephinet-cli doctor で、使っているプログラムを確かめてください。</source>
        <translation>Run sudo zephinet-cli doctor to find out which program uses the port.</translation>
    </message>
    <message>
        <source>ブロードキャストのできるIPv4アドレスがありません。</source>
        <translation>This computer has no IPv4 address that can send broadcasts.</translation>
    </message>
    <message>
        <source>ネットワークにつながっていないため、ほかのZephinetとは通信できません。</source>
        <translation>This computer is not connected to a network, so it cannot talk to Zephinet on other computers.</translation>
    </message>
    <message>
        <source>ネットワークの接続（ケーブル、Wi-Fi）と、IPv4アドレスの設定を確認してください。</source>
        <translation>Check the network connection (cable, Wi-Fi) and the IPv4 address settings.</translation>
    </message>
    <message>
        <source>ブロードキャストのできるIPv4アドレスは %1 です。</source>
        <translation>The IPv4 address that can send broadcasts is %1.</translation>
    </message>
    <message>
        <source>Zephinetはこのアドレス（%1）で名乗ります。</source>
        <translation>Zephinet announces itself with this address (%1).</translation>
    </message>
    <message>
        <source>ブロードキャストのできるIPv4アドレスが%1個あります: %2。</source>
        <translation>This computer has %1 IPv4 addresses that can send broadcasts: %2.</translation>
    </message>
    <message>
        <source>Zephinetが名乗るのは最初の%1（%2）だけです。ほかのセグメントの相手にもこのアドレスで表示され、返信や開封通知もこのアドレスに送られるため、そこへの経路がない相手からは届きません。</source>
        <translation>Zephinet announces itself only with the first one, %1 (%2). Users on the other segments also see you with this address, and replies and read notices are sent to it, so they do not arrive from users who have no route to it.</translation>
    </message>
    <message>
        <source>使わないインターフェースを止めるか、ほかのセグメントの相手とはこのアドレスで通信できるようにしてください。</source>
        <translation>Turn off the interfaces you do not use, or make sure that users on the other segments can reach this address.</translation>
    </message>
    <message>
        <source>255.255.255.255へのブロードキャストは%1（%2）から送られます。</source>
        <translation>Broadcasts to 255.255.255.255 are sent from %1 (%2).</translation>
    </message>
    <message>
        <source>それが届かないほかのセグメントには、Zephinetは直接ブロードキャスト %1 にも送ります。</source>
        <translation>For the other segments, which those broadcasts do not reach, Zephinet also sends to each segment&apos;s broadcast address: %1.</translation>
    </message>
    <message>
        <source>既定の経路（デフォルトルート）がないため、システムは255.255.255.255への送信を拒みます。</source>
        <translation>There is no default route, so the system refuses to send to 255.255.255.255.</translation>
    </message>
    <message>
        <source>Zephinetはその代わりに、各セグメントの直接ブロードキャスト %1 に送ります。同じセグメントの相手にはこれで届きます。</source>
        <translation>Instead, Zephinet sends to each segment&apos;s broadcast address: %1. This reaches the users on the same segment.</translation>
    </message>
    <message>
        <source>ルータの向こうの相手は、オプションの「メッセージを送るマシンのIPアドレス」に加えてください。</source>
        <translation>Add the addresses of users beyond a router to &quot;IP addresses to send to as well&quot; in the options.</translation>
    </message>
    <message>
        <source>ブロードキャストを送れる経路がありません。</source>
        <translation>There is no route on which broadcasts can be sent.</translation>
    </message>
    <message>
        <source>Zephinetは何も送信できず、通知ウィンドウに「ネットワークにデータを送信できませんでした。ネットワークの接続と設定を確認してください。」と表示します。</source>
        <translation>Zephinet cannot send anything and shows &quot;Nothing could be sent to the network. Check the network connection and its settings.&quot; in the notice window.</translation>
    </message>
    <message>
        <source>IPv4アドレスとネットマスク、経路の設定を確認してください。</source>
        <translation>Check the settings of the IPv4 address, the netmask and the routes.</translation>
    </message>
    <message>
        <source>%1: IPv4アドレスとして読めません。</source>
        <translation>%1: not a valid IPv4 address.</translation>
    </message>
    <message>
        <source>%1: 経路がなく、送れません。</source>
        <translation>%1: cannot be sent to, as there is no route to it.</translation>
    </message>
    <message>
        <source>%1: %2 のセグメントにあり、直接送ります。</source>
        <translation>%1: on the segment of %2, sent to directly.</translation>
    </message>
    <message>
        <source>%1: ルータを経由して%2（%3）から送ります。</source>
        <translation>%1: sent through a router from %2 (%3).</translation>
    </message>
    <message>
        <source>追加の送信先（SendIP）はありません。</source>
        <translation>There are no IP addresses to send to as well (SendIP).</translation>
    </message>
    <message>
        <source>送れない送信先のZephinetには、何も届きません。</source>
        <translation>Nothing reaches Zephinet at the addresses that cannot be sent to.</translation>
    </message>
    <message>
        <source>オプションの「メッセージを送るマシンのIPアドレス」で、アドレスと経路を確認してください。</source>
        <translation>Check the addresses in &quot;IP addresses to send to as well&quot; in the options, and the routes to them.</translation>
    </message>
    <message>
        <source>相手からの応答が届くには、相手の送信先にもこのマシンのアドレスが必要です。</source>
        <translation>For their answers to reach you, those computers need this computer&apos;s address in their own &quot;IP addresses to send to as well&quot;.</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>zn::AbsenceCenter</name>
    <message>
        <source>不在を解除します。よろしいですか？</source>
        <translation>You will no longer be shown as away. Continue?</translation>
    </message>
    <message>
        <source>不在に設定します。よろしいですか？</source>
        <translation>You will be shown as away. Continue?</translation>
    </message>
</context>
<context>
    <name>zn::Codec</name>
    <message>
        <source>「%1」(U+%2) はこの文字コードで送信できない文字です。</source>
        <translation>&quot;%1&quot; (U+%2) is a character that cannot be sent in this program&apos;s character encoding.</translation>
    </message>
</context>
<context>
    <name>zn::DesktopNotifier</name>
    <message numerus="yes">
        <source>未読メッセージが%n通あります</source>
        <translation>
            <numerusform>You have %n unread message</numerusform>
            <numerusform>You have %n unread messages</numerusform>
        </translation>
    </message>
    <message>
        <source>メッセージが届きました</source>
        <translation>A message has arrived</translation>
    </message>
    <message>
        <source>オンライン状況の変化</source>
        <translation>Who is online</translation>
    </message>
    <message>
        <source>送信したメッセージ</source>
        <translation>Messages you sent</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>zn::DesktopShell</name>
    <message>
        <source>オンライン状況</source>
        <translation>Show the user list</translation>
    </message>
    <message>
        <source>メッセージ送信</source>
        <translation>Send a message</translation>
    </message>
    <message>
        <source>メッセージ受信</source>
        <translation>Read messages</translation>
    </message>
    <message>
        <source>オンライン状況ウィンドウを開くにはパスワードが必要です。</source>
        <translation>The password is needed to open the user list.</translation>
    </message>
</context>
<context>
    <name>zn::Dispatcher</name>
    <message>
        <source>&apos;%1&apos; は整数ではありません</source>
        <translation>&apos;%1&apos; is not a whole number</translation>
    </message>
    <message>
        <source>「%1」は不在ではないか、不在メッセージが設定されていません。</source>
        <translation>&quot;%1&quot; is not away, or has set no away message.</translation>
    </message>
    <message>
        <source>「%1」に送信したメッセージが確認されました。</source>
        <translation>&quot;%1&quot; has read the message you sent.</translation>
    </message>
    <message>
        <source>約1分前に「%1」に送信したメッセージは正常に送信されませんでした。必要があれば、再度送信してください。</source>
        <translation>The message you sent to &quot;%1&quot; about a minute ago did not arrive. Send it again if needed.</translation>
    </message>
</context>
<context>
    <name>zn::HelpCommands</name>
    <message>
        <source>メールソフトを起動することができませんでした。次のアドレスにメールを送信してください。
</source>
        <translation>No mail program could be started. Please send your mail to this address:
</translation>
    </message>
    <message>
        <source>ブラウザを起動することができませんでした。次のアドレスをブラウザで開いてください。
</source>
        <translation>No web browser could be started. Please open this address in your browser:
</translation>
    </message>
</context>
<context>
    <name>zn::IniFile</name>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
</context>
<context>
    <name>zn::LogFile</name>
    <message>
        <source>ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。</source>
        <translation>An error occurred while accessing the log file. Messages are no longer being logged.</translation>
    </message>
</context>
<context>
    <name>zn::MessageCenter</name>
    <message>
        <source>送信先ユーザをリストの中から選択してください。</source>
        <translation>Select the recipients in the user list first.</translation>
    </message>
    <message>
        <source>送信先の中に自分自身が含まれています。送信ウィンドウを開きますか？</source>
        <translation>You are among the recipients yourself. Open the send window anyway?</translation>
    </message>
    <message>
        <source>自分自身にメッセージを送信します。送信ウィンドウを開きますか？</source>
        <translation>This message would go to yourself. Open the send window anyway?</translation>
    </message>
    <message>
        <source>クリップボードが空のため、送信することができません。</source>
        <translation>The clipboard is empty, so there is nothing to send.</translation>
    </message>
    <message>
        <source>テキスト以外のメッセージを送信することはできません。</source>
        <translation>Only text can be sent, and the clipboard holds no text.</translation>
    </message>
    <message>
        <source>送信先の中に自分自身が含まれています。送信しますか？</source>
        <translation>You are among the recipients yourself. Send anyway?</translation>
    </message>
    <message>
        <source>自分自身にメッセージを送信します。よろしいですか？</source>
        <translation>This message will go to yourself. Continue?</translation>
    </message>
    <message>
        <source>受信ウィンドウを開くにはパスワードが必要です。</source>
        <translation>The password is needed to read messages.</translation>
    </message>
    <message>
        <source>受信ウィンドウを表示します。よろしいですか？</source>
        <translation>Show the message you received now?</translation>
    </message>
    <message>
        <source>クリップボード受信を行うにはパスワードが必要です。</source>
        <translation>The password is needed to read a message into the clipboard.</translation>
    </message>
    <message>
        <source>ログビューアを開くにはパスワードが必要です。</source>
        <translation>The password is needed to open the log viewer.</translation>
    </message>
</context>
<context>
    <name>zn::MessageCheck</name>
    <message>
        <source>送信メッセージが最大文字数（2048文字）を越えているため、送信することができません。</source>
        <translation>The message is longer than the limit of 2048 characters (bytes in the network encoding) and cannot be sent.</translation>
    </message>
    <message>
        <source>送信メッセージに「&amp;|」を含めることはできません。</source>
        <translation>A message cannot contain &quot;&amp;|&quot;.</translation>
    </message>
    <message>
        <source>送信メッセージに「\|」を含めることはできません。</source>
        <translation>A message cannot contain &quot;\|&quot;.</translation>
    </message>
    <message>
        <source>送信するメッセージを入力してください。</source>
        <translation>Type the message to send.</translation>
    </message>
    <message>
        <source>不在通知メッセージ内に「&amp;|」は使用できません。</source>
        <translation>An away message cannot contain &quot;&amp;|&quot;.</translation>
    </message>
    <message>
        <source>不在通知メッセージ内に「\|」は使用できません。</source>
        <translation>An away message cannot contain &quot;\|&quot;.</translation>
    </message>
    <message>
        <source>一度に送信できるのは%1ユーザまでです。送信先ユーザの選択を減らしてください。</source>
        <translation>A message can go to at most %1 users at once. Select fewer recipients.</translation>
    </message>
</context>
<context>
    <name>zn::Messenger</name>
    <message>
        <source>ネットワークにデータを送信できませんでした。ネットワークの接続と設定を確認してください。</source>
        <translation>Nothing could be sent to the network. Check the network connection and its settings.</translation>
    </message>
</context>
<context>
    <name>zn::OptionFormOpener</name>
    <message>
        <source>オプションウィンドウを開くにはパスワードが必要です。</source>
        <translation>The password is needed to open the options.</translation>
    </message>
</context>
<context>
    <name>zn::OptionValues</name>
    <message>
        <source>ハンドル名を指定してください。</source>
        <translation>Enter your name.</translation>
    </message>
    <message>
        <source>ハンドル名に「&amp;|」は使用できません。</source>
        <translation>Your name cannot contain &quot;&amp;|&quot;.</translation>
    </message>
    <message>
        <source>ハンドル名に「\|」は使用できません。</source>
        <translation>Your name cannot contain &quot;\|&quot;.</translation>
    </message>
    <message>
        <source>ハンドル名に「;」は使用できません。</source>
        <translation>Your name cannot contain &quot;;&quot;.</translation>
    </message>
    <message>
        <source>ログファイルサイズは0～9999までの数値で設定してください。</source>
        <translation>Enter a number from 0 to 9999 for the number of log records.</translation>
    </message>
    <message>
        <source>ポート番号は1024～65535までの数値で設定してください。</source>
        <translation>Enter a port number from 1024 to 65535.</translation>
    </message>
    <message>
        <source>待機秒数は1～99までの数値で設定してください。</source>
        <translation>Enter a number of seconds from 1 to 99.</translation>
    </message>
</context>
<context>
    <name>zn::Reassembler</name>
    <message>
        <source>一度に大量のデータを受信しました。一部のデータが正常に受信できませんでした。もし、このメッセージが続けて出るようなら、一度、Zephinetを再起動してください。失われたのは「%1」からのメッセージです。</source>
        <translation>Too much data arrived at once, and part of it could not be received. If this notice keeps appearing, restart Zephinet. The lost message was from &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>zn::RosterModel</name>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>マシン名</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>IPアドレス</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>&#x3000;△</source>
        <translation> △</translation>
    </message>
    <message>
        <source>&#x3000;▽</source>
        <translation> ▽</translation>
    </message>
    <message>
        <source>%1（不在）</source>
        <translation>%1 (away)</translation>
    </message>
    <message>
        <source>不在</source>
        <translation>Away</translation>
    </message>
    <message>
        <source>在席</source>
        <translation>Present</translation>
    </message>
</context>
<context>
    <name>zn::Session</name>
    <message>
        <source>「%1」からメッセージが届きました。</source>
        <translation>A message from &quot;%1&quot; has arrived.</translation>
    </message>
    <message>
        <source>未読メッセージが%1通たまっているため、「%2」からのメッセージを受け取れませんでした（これまでに%3通）。送信者には届かなかったことを知らせます。未読メッセージを読んでください。</source>
        <translation>A message from &quot;%2&quot; could not be received because %1 unread messages are waiting (%3 refused so far). The sender is told it did not arrive. Please read your unread messages.</translation>
    </message>
    <message>
        <source>未読メッセージが一杯の間に受け取れなかったメッセージは、全部で%1通でした。</source>
        <translation>Messages refused while the unread messages were full: %1 in all.</translation>
    </message>
    <message>
        <source>「%1」はオンライン状態です。</source>
        <translation>&quot;%1&quot; is online.</translation>
    </message>
    <message>
        <source>「%1」がオフラインになりました。</source>
        <translation>&quot;%1&quot; has gone offline.</translation>
    </message>
</context>
<context>
    <name>zn::SettingsStore</name>
    <message>
        <source>設定ファイル %1 を読み込めないため、初期設定で起動しました。</source>
        <translation>The settings file %1 cannot be read, so Zephinet started with the default settings.</translation>
    </message>
    <message>
        <source>設定ファイル %1 の %2 行目が壊れているため、初期設定で起動しました。</source>
        <translation>Line %2 of the settings file %1 is damaged, so Zephinet started with the default settings.</translation>
    </message>
    <message>
        <source>元のファイルは別の名前にできなかったため、そのまま残してあります。この起動中の設定は保存されません。</source>
        <translation>The original file could not be renamed and was left as it is. Settings changed while Zephinet runs this time will not be saved.</translation>
    </message>
    <message>
        <source>元のファイルは %1 として残してあります。</source>
        <translation>The original file was kept as %1.</translation>
    </message>
    <message>
        <source>「%1」はこの文字コードで保存できない文字です。</source>
        <translation>&quot;%1&quot; is a character that cannot be saved in this program&apos;s character encoding.</translation>
    </message>
</context>
<context>
    <name>zn::TDiagnosisForm</name>
    <message>
        <source>【正常】</source>
        <translation>[OK]</translation>
    </message>
    <message>
        <source>【注意】</source>
        <translation>[Warning]</translation>
    </message>
    <message>
        <source>【問題】</source>
        <translation>[Problem]</translation>
    </message>
    <message>
        <source>対処: </source>
        <translation>What to do: </translation>
    </message>
    <message>
        <source>Zephinet -接続の診断-</source>
        <translation>Zephinet - Diagnose Connection</translation>
    </message>
    <message>
        <source>再診断(&amp;R)</source>
        <translation>&amp;Run Again</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>診断しています。ほかのZephinetからの応答を%1秒待ちます…</source>
        <translation>Diagnosing. Waiting %1 seconds for answers from Zephinet on other computers…</translation>
    </message>
    <message>
        <source>問題が%1件、注意が%2件あります。</source>
        <translation>Problems: %1. Warnings: %2.</translation>
    </message>
    <message>
        <source>問題はありませんが、注意が%1件あります。</source>
        <translation>No problems. Warnings: %1.</translation>
    </message>
    <message>
        <source>問題は見つかりませんでした。</source>
        <translation>No problems were found.</translation>
    </message>
</context>
<context>
    <name>zn::THelpForm</name>
    <message>
        <source>Zephinet -ヘルプ-</source>
        <translation>Zephinet - Help</translation>
    </message>
    <message>
        <source>目次(&amp;C)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>戻る(&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>進む(&amp;F)</source>
        <translation>&amp;Forward</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>Clos&amp;e</translation>
    </message>
</context>
<context>
    <name>zn::THuzaiForm</name>
    <message>
        <source>Zephinet -不在メッセージ受信-</source>
        <translation>Zephinet - Away Message</translation>
    </message>
    <message>
        <source>ハンドル名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>マシン名</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>メッセージ送信(&amp;S)</source>
        <translation>&amp;Send Message</translation>
    </message>
    <message>
        <source>確認(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>不在ユーザ情報</source>
        <translation>Away user</translation>
    </message>
    <message>
        <source>受信メッセージ</source>
        <translation>Message received</translation>
    </message>
    <message>
        <source>Zephinet -不在ウィンドウ-</source>
        <translation>Zephinet - Away message window</translation>
    </message>
</context>
<context>
    <name>zn::THuzaiSetForm</name>
    <message>
        <source>Zephinet -不在メッセージ設定-</source>
        <translation>Zephinet - Set Away Message</translation>
    </message>
    <message>
        <source>不在設定(&amp;H)</source>
        <translation>Go &amp;Away</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>不在メッセージ設定</source>
        <translation>Your away message</translation>
    </message>
</context>
<context>
    <name>zn::TIventForm</name>
    <message>
        <source>Zephinet -イベント通知-</source>
        <translation>Zephinet - Notice</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>イベント通知</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>zn::TLogForm</name>
    <message>
        <source>Zephinet -ログビューア-</source>
        <translation>Zephinet - Log Viewer</translation>
    </message>
    <message>
        <source>再送信(&amp;S)</source>
        <translation>&amp;Send Again</translation>
    </message>
    <message>
        <source>返信(&amp;S)</source>
        <translation>&amp;Reply</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>送信者</source>
        <translation>From</translation>
    </message>
    <message>
        <source>受信者</source>
        <translation>To</translation>
    </message>
    <message>
        <source>記録日時</source>
        <translation>Logged at</translation>
    </message>
    <message>
        <source>全消去(&amp;D)</source>
        <translation>&amp;Delete All</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>記録されているログはありません。</source>
        <translation>The log holds no messages.</translation>
    </message>
    <message>
        <source>ログファイルが不正です。</source>
        <translation>The log file is damaged.</translation>
    </message>
    <message>
        <source> [ログオープンエラー]</source>
        <translation> [cannot open the log]</translation>
    </message>
    <message>
        <source>ログをクリアしてもよろしいですか？</source>
        <translation>Delete every message in the log?</translation>
    </message>
    <message>
        <source>対象となる相手先がオフラインかマシン名が変更されたため、再送信、及び返信することはできません。</source>
        <translation>This user is offline or has a different computer name now, so you cannot send again or reply.</translation>
    </message>
</context>
<context>
    <name>zn::TMainForm</name>
    <message>
        <source>メッセージ送信(&amp;S)</source>
        <translation>&amp;Send Message</translation>
    </message>
    <message>
        <source>メッセージ送信</source>
        <translation>Send a message to the selected users</translation>
    </message>
    <message>
        <source>メッセージ受信(&amp;R)</source>
        <translation>&amp;Read Messages</translation>
    </message>
    <message>
        <source>メッセージ受信</source>
        <translation>Read the messages that arrived</translation>
    </message>
    <message>
        <source>クリップボード送信(&amp;C)</source>
        <translation>Send &amp;Clipboard</translation>
    </message>
    <message>
        <source>クリップボード送信</source>
        <translation>Send the clipboard&apos;s text to the selected users</translation>
    </message>
    <message>
        <source>クリップボード受信(&amp;L)</source>
        <translation>Read into Clip&amp;board</translation>
    </message>
    <message>
        <source>クリップボード受信</source>
        <translation>Put the next message into the clipboard</translation>
    </message>
    <message>
        <source>不在メッセージ受信(&amp;H)</source>
        <translation>Get Away &amp;Message</translation>
    </message>
    <message>
        <source>不在メッセージ受信</source>
        <translation>Ask the selected user for their away message</translation>
    </message>
    <message>
        <source>閉じる(&amp;Q)</source>
        <translation>Close &amp;Window</translation>
    </message>
    <message>
        <source>終了(&amp;E)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>不在(&amp;H)</source>
        <translation>&amp;Away</translation>
    </message>
    <message>
        <source>不在</source>
        <translation>Show others that you are away</translation>
    </message>
    <message>
        <source>環境設定(&amp;O)</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>ログ参照(&amp;V)</source>
        <translation>&amp;Log Viewer</translation>
    </message>
    <message>
        <source>最大(&amp;G)</source>
        <translation>Lar&amp;gest</translation>
    </message>
    <message>
        <source>大(&amp;L)</source>
        <translation>&amp;Large</translation>
    </message>
    <message>
        <source>中(&amp;M)</source>
        <translation>&amp;Medium</translation>
    </message>
    <message>
        <source>小(&amp;S)</source>
        <translation>&amp;Small</translation>
    </message>
    <message>
        <source>最新の情報に更新(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>トピックの検索(&amp;H)</source>
        <translation>&amp;Help Topics</translation>
    </message>
    <message>
        <source>Ondrel へ メールを送信(&amp;M)</source>
        <translation>Send &amp;Mail to Ondrel</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)</source>
        <translation>&amp;About Zephinet</translation>
    </message>
    <message>
        <source>メッセージ(&amp;M)</source>
        <translation>&amp;Message</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>文字のサイズ(&amp;X)</source>
        <translation>Text &amp;Size</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>終了してもよろしいですか？</source>
        <translation>Quit Zephinet?</translation>
    </message>
    <message>
        <source>オンラインユーザ数：%1</source>
        <translation>Users online: %1</translation>
    </message>
    <message>
        <source>ユーザ一覧</source>
        <translation>User list</translation>
    </message>
    <message>
        <source>オンラインのユーザ。選択してEnterでメッセージを送信します。</source>
        <translation>The users online. Select users and press Enter to write to them.</translation>
    </message>
    <message>
        <source>ステータスバー</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>メニューバー</source>
        <translation>Menu bar</translation>
    </message>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>ほかのユーザが見つかりません。&lt;a href=&quot;diagnosis&quot;&gt;接続の診断&lt;/a&gt;</source>
        <translation>No other users found. &lt;a href=&quot;diagnosis&quot;&gt;Diagnose the connection&lt;/a&gt;</translation>
    </message>
    <message>
        <source>接続の診断で、ほかのユーザが見つからない原因を調べられます。</source>
        <translation>Diagnose the connection to find out why no other users appear.</translation>
    </message>
    <message>
        <source>接続の診断(&amp;D)</source>
        <translation>&amp;Diagnose Connection</translation>
    </message>
</context>
<context>
    <name>zn::TOptionForm</name>
    <message>
        <source>サウンドファイル(*.wav)</source>
        <translation>Sound files (*.wav)</translation>
    </message>
    <message>
        <source>すべてのファイル(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>Zephinetログファイル(*.ZNG)</source>
        <translation>Zephinet log files (*.ZNG)</translation>
    </message>
    <message>
        <source>Zephinet -オプション-</source>
        <translation>Zephinet - Options</translation>
    </message>
    <message>
        <source>ポート番号の設定は次回の起動から有効になります。</source>
        <translation>The new port number takes effect the next time Zephinet starts.</translation>
    </message>
    <message>
        <source>IPアドレスの指定に誤りがあります。</source>
        <translation>This is not a valid IP address.</translation>
    </message>
    <message>
        <source>これ以上IPアドレスを追加できません。登録できるのは%1件、合計%2文字までです。</source>
        <translation>No more IP addresses can be added. The list holds at most %1 addresses and %2 characters in all.</translation>
    </message>
    <message>
        <source>指定したIPアドレスを削除します。よろしいですか？</source>
        <translation>Remove the selected IP address?</translation>
    </message>
    <message>
        <source>ログファイル保存先指定</source>
        <translation>Choose the log file</translation>
    </message>
    <message>
        <source>サウンド設定</source>
        <translation>Sounds</translation>
    </message>
    <message>
        <source>ローカル</source>
        <translation>You</translation>
    </message>
    <message>
        <source>一般</source>
        <translation>General</translation>
    </message>
    <message>
        <source>セキュリティ、ログ</source>
        <translation>Security, Log</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>イベント</source>
        <translation>Notices</translation>
    </message>
    <message>
        <source>アニメーション、サウンド</source>
        <translation>Animation, Sound</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>適用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>ローカルユーザ情報</source>
        <translation>Your user information</translation>
    </message>
    <message>
        <source>現在の自分のユーザ情報を、設定、閲覧することができます。</source>
        <translation>How other users see you: your name, computer name and address.</translation>
    </message>
    <message>
        <source>ハンドル名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>マシン名</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>IPアドレス</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>不在メッセージ設定</source>
        <translation>Away message</translation>
    </message>
    <message>
        <source>不在時に送信するメッセージ</source>
        <translation>Message sent to others while you are away</translation>
    </message>
    <message>
        <source>ウィンドウ</source>
        <translation>Windows</translation>
    </message>
    <message>
        <source>起動時にオンライン状況ウィンドウを表示しない</source>
        <translation>Do not show the user list at start-up</translation>
    </message>
    <message>
        <source>メッセージ送信後に、オンライン状況ウィンドウを閉じる</source>
        <translation>Close the user list after sending a message</translation>
    </message>
    <message>
        <source>メッセージ受信時に、受信ウィンドウを自動的に開く</source>
        <translation>Open the receive window as soon as a message arrives</translation>
    </message>
    <message>
        <source>返信時に受信ウィンドウを自動的に消去する</source>
        <translation>Close the receive window when replying</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirmations</translation>
    </message>
    <message>
        <source>受信ウィンドウを開くときに確認する</source>
        <translation>Ask before opening the receive window</translation>
    </message>
    <message>
        <source>不在にする時に確認する</source>
        <translation>Ask before going away</translation>
    </message>
    <message>
        <source>不在にする時に不在メッセージを再設定する</source>
        <translation>Edit the away message when going away</translation>
    </message>
    <message>
        <source>不在を解除する時に確認する</source>
        <translation>Ask before coming back from away</translation>
    </message>
    <message>
        <source>自分自身にメッセージを送るときに確認する</source>
        <translation>Ask before sending a message to yourself</translation>
    </message>
    <message>
        <source>表示</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>送信ウィンドウにマシン名を表示しない</source>
        <translation>Hide the computer name in the send window</translation>
    </message>
    <message>
        <source>受信ウィンドウにマシン名を表示しない</source>
        <translation>Hide the computer name in the receive window</translation>
    </message>
    <message>
        <source>受信ウィンドウに受信日時を表示しない</source>
        <translation>Hide the time received in the receive window</translation>
    </message>
    <message>
        <source>タスクメニューにクリップボード関連のメニューを表示しない</source>
        <translation>Hide the clipboard commands in the tray menu</translation>
    </message>
    <message>
        <source>タスクメニューに不在関連のメニューを表示しない</source>
        <translation>Hide the away commands in the tray menu</translation>
    </message>
    <message>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>返信時に元のメッセージを含める</source>
        <translation>Quote the original message in a reply</translation>
    </message>
    <message>
        <source>クリップボード受信時に送信元の情報を付加する</source>
        <translation>Add the sender&apos;s name when reading into the clipboard</translation>
    </message>
    <message>
        <source>動作設定</source>
        <translation>Behaviour</translation>
    </message>
    <message>
        <source>動作設定をすることで、Zephinetをより使いやすくすることができます。</source>
        <translation>Choose how Zephinet behaves to suit the way you work.</translation>
    </message>
    <message>
        <source>このデスクトップではホットキー(Ctrl+Alt+M、Ctrl+Alt+S、Ctrl+Alt+R)を使用できません。デスクトップのキーボード設定で、次のコマンドをキーに割り当ててください。
zephinet --user-list(オンライン状況)、zephinet --send(メッセージ送信)、zephinet --receive(メッセージ受信)</source>
        <translation>The hot keys (Ctrl+Alt+M, Ctrl+Alt+S, Ctrl+Alt+R) are not available on this desktop. Assign these commands to keys in the desktop&apos;s keyboard settings:
zephinet --user-list (user list), zephinet --send (send a message), zephinet --receive (read messages)</translation>
    </message>
    <message>
        <source>ログ設定</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>送信、受信したメッセージをログファイルに記録しておくことができます。</source>
        <translation>Messages you send and receive can be kept in a log file.</translation>
    </message>
    <message>
        <source>送受信したメッセージをログに保存する</source>
        <translation>Keep sent and received messages in the log</translation>
    </message>
    <message>
        <source>ログファイル</source>
        <translation>Log file</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>最大記録件数</source>
        <translation>Keep at most</translation>
    </message>
    <message>
        <source>件 （0を指定すると無制限になります）</source>
        <translation>messages (0 means no limit)</translation>
    </message>
    <message>
        <source>セキュリティ</source>
        <translation>Security</translation>
    </message>
    <message>
        <source>パスワードを設定しておくと、各アクション時のセキュリティを強化することができます。</source>
        <translation>A password keeps others at your computer from reading your messages or changing your settings.</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Change...</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>オンライン状況ウィンドウを開くときにパスワードを入力する</source>
        <translation>Ask for the password to open the user list</translation>
    </message>
    <message>
        <source>オプションウィンドウを開くときにパスワードを入力する</source>
        <translation>Ask for the password to open the options</translation>
    </message>
    <message>
        <source>メッセージを取得するときにパスワードを入力する</source>
        <translation>Ask for the password to read messages</translation>
    </message>
    <message>
        <source>ログビューアを開くときにパスワードを入力する</source>
        <translation>Ask for the password to open the log viewer</translation>
    </message>
    <message>
        <source>ネットワークユーザ設定</source>
        <translation>Users on other networks</translation>
    </message>
    <message>
        <source>ネットワーク上に他のユーザが存在するのにオンライン認知しない場合は、IPアドレスを直接指定することで解決できる場合があります。</source>
        <translation>If users on the network do not appear in your user list, adding their IP addresses here may help.</translation>
    </message>
    <message>
        <source>正常に通信できないマシンが存在する場合のみ、設定してください。</source>
        <translation>Set this only if some computers cannot be reached otherwise.</translation>
    </message>
    <message>
        <source>メッセージを送るマシンのIPアドレス</source>
        <translation>IP addresses to send to as well</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>通信ポート設定</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>使用するポート番号を設定することができます。</source>
        <translation>The port number Zephinet uses to talk to other users.</translation>
    </message>
    <message>
        <source>ポート番号</source>
        <translation>Port number</translation>
    </message>
    <message>
        <source>（変更はZephinetを再起動後に有効となります）</source>
        <translation>(a change takes effect when Zephinet restarts)</translation>
    </message>
    <message>
        <source>通知設定</source>
        <translation>Notices</translation>
    </message>
    <message>
        <source>イベントが起きたことをメッセージとして表示することができます。</source>
        <translation>Zephinet can tell you when something happens.</translation>
    </message>
    <message>
        <source>他のユーザがオンラインになったら通知を受ける</source>
        <translation>Tell me when another user comes online</translation>
    </message>
    <message>
        <source>他のユーザがオフラインになったら通知を受ける</source>
        <translation>Tell me when another user goes offline</translation>
    </message>
    <message>
        <source>自分が送ったメッセージを相手が確認したら通知を受ける</source>
        <translation>Tell me when a recipient has read my message</translation>
    </message>
    <message>
        <source>メッセージが届いたら通知を受ける</source>
        <translation>Tell me when a message arrives</translation>
    </message>
    <message>
        <source>イベント通知ウィンドウを画面の中央へ表示する</source>
        <translation>Show the notice window in the middle of the screen</translation>
    </message>
    <message>
        <source>イベント通知ウィンドウを自動的に閉じる</source>
        <translation>Close the notice window by itself</translation>
    </message>
    <message>
        <source>イベント通知ウィンドウの代わりにデスクトップの通知機能で通知する</source>
        <translation>Use the desktop&apos;s notifications instead of the notice window</translation>
    </message>
    <message>
        <source>最後のイベントを表示してから</source>
        <translation>Close it</translation>
    </message>
    <message>
        <source>秒後に通知ウィンドウ閉じる</source>
        <translation>seconds after the last notice</translation>
    </message>
    <message>
        <source>重要な通知（エラー通知など）が含まれる場合でも自動的に閉じる</source>
        <translation>Close it even when it holds an important notice (an error, say)</translation>
    </message>
    <message>
        <source>各イベント時にサウンドを鳴らすことが出来ます。</source>
        <translation>Zephinet can play a sound when something happens.</translation>
    </message>
    <message>
        <source>サウンドを鳴らさない</source>
        <translation>No sound</translation>
    </message>
    <message>
        <source>サウンドをBEEP音で鳴らす</source>
        <translation>Beep</translation>
    </message>
    <message>
        <source>サウンドをWAVファイルで鳴らす</source>
        <translation>Play a WAV file</translation>
    </message>
    <message>
        <source>ユーザ オンライン</source>
        <translation>User online</translation>
    </message>
    <message>
        <source>ユーザ オフライン</source>
        <translation>User offline</translation>
    </message>
    <message>
        <source>メッセージ受信</source>
        <translation>Message received</translation>
    </message>
    <message>
        <source>受信アニメーション</source>
        <translation>Arrival animation</translation>
    </message>
    <message>
        <source>メッセージを受信したことを、アニメーションで知ることが出来ます。</source>
        <translation>An animation can tell you that a message has arrived.</translation>
    </message>
    <message>
        <source>アニメーション無し</source>
        <translation>None</translation>
    </message>
    <message>
        <source>流星</source>
        <translation>Shooting star</translation>
    </message>
    <message>
        <source>点滅</source>
        <translation>Blinking</translation>
    </message>
    <message>
        <source>サークル</source>
        <translation>Circles</translation>
    </message>
    <message>
        <source>スクエア</source>
        <translation>Squares</translation>
    </message>
    <message>
        <source>タスクアニメーション</source>
        <translation>Tray icon</translation>
    </message>
    <message>
        <source>マウスアニメーション</source>
        <translation>Mouse pointer</translation>
    </message>
    <message>
        <source>表示言語の設定は次回の起動から有効になります。</source>
        <translation>The new language takes effect the next time Zephinet starts.</translation>
    </message>
    <message>
        <source>不在メッセージを設定して置くと、自分が不在の時に他のユーザへ不在理由を送信することができます。</source>
        <translation>With an away message set, other users who ask while you are away are told why.</translation>
    </message>
    <message>
        <source>表示言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>デスクトップに合わせる</source>
        <translation>As the desktop</translation>
    </message>
    <message>
        <source>他のアプリケーションが同じポートを使用している場合や、特定の人と通信したい場合にのみ、変更してください。</source>
        <translation>Change it only if another program uses the same port, or to talk only with certain people.</translation>
    </message>
    <message>
        <source>個人宛てのメッセージは相手のマシンだけに送信する</source>
        <translation>Send messages for one user to that user&apos;s computer only</translation>
    </message>
</context>
<context>
    <name>zn::TPassChangeForm</name>
    <message>
        <source>Zephinet -パスワード設定-</source>
        <translation>Zephinet - Set Password</translation>
    </message>
    <message>
        <source>パスワード確認</source>
        <translation>Current password</translation>
    </message>
    <message>
        <source>現在のパスワードを入力してください。</source>
        <translation>Enter your current password.</translation>
    </message>
    <message>
        <source>現パスワード</source>
        <translation>Current password</translation>
    </message>
    <message>
        <source>パスワード設定</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>新しいパスワードを入力してください。</source>
        <translation>Enter the new password twice.</translation>
    </message>
    <message>
        <source>新パスワード</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>パスワードが違います。</source>
        <translation>The password is wrong.</translation>
    </message>
    <message>
        <source>新しいパスワードの設定と確認パスワードの入力が違います。</source>
        <translation>The two new passwords differ.</translation>
    </message>
</context>
<context>
    <name>zn::TPassCheckForm</name>
    <message>
        <source>Zephinet -パスワード確認-</source>
        <translation>Zephinet - Password</translation>
    </message>
    <message>
        <source>パスワード確認</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>パスワードを入力してください。</source>
        <translation>Enter your password.</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>パスワードが違います。</source>
        <translation>The password is wrong.</translation>
    </message>
</context>
<context>
    <name>zn::TRecvForm</name>
    <message>
        <source>Zephinet -メッセージ受信-</source>
        <translation>Zephinet - Message Received</translation>
    </message>
    <message>
        <source>ハンドル名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>マシン名</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>受信日時</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>返信(&amp;R)</source>
        <translation>&amp;Reply</translation>
    </message>
    <message>
        <source>次のメッセージ(&amp;N)</source>
        <translation>&amp;Next Message</translation>
    </message>
    <message>
        <source>確認(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>送信者情報</source>
        <translation>Sender</translation>
    </message>
    <message>
        <source>受信メッセージ</source>
        <translation>Message received</translation>
    </message>
    <message>
        <source>Zephinet -受信ウィンドウ-</source>
        <translation>Zephinet - Receive window</translation>
    </message>
</context>
<context>
    <name>zn::TSendForm</name>
    <message>
        <source>「%1」</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>Zephinet -送信ウィンドウ-</source>
        <translation>Zephinet - Send window</translation>
    </message>
    <message>
        <source>Zephinet -メッセージ送信-</source>
        <translation>Zephinet - Send Message</translation>
    </message>
    <message>
        <source>ハンドル名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>マシン名</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>送信(&amp;S)</source>
        <translation>&amp;Send</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>送信先情報</source>
        <translation>Recipients</translation>
    </message>
    <message>
        <source>送信メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <source> 送信先：%1</source>
        <translation> to: %1</translation>
    </message>
    <message numerus="yes">
        <source>送信メッセージが最大文字数（2048文字）を越えたため、入力された文字のうち%n文字を削除しました。</source>
        <translation>
            <numerusform>The message was longer than the limit of 2048 characters, so %n character was removed.</numerusform>
            <numerusform>The message was longer than the limit of 2048 characters, so %n characters were removed.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1がオフライン状態になりました。このユーザにメッセージを送信できませんでした。</source>
        <translation>%1 has gone offline. The message could not be sent to this user.</translation>
    </message>
    <message>
        <source>%1がオフライン状態になりました。これらのユーザにメッセージを送信できませんでした。</source>
        <translation>%1 have gone offline. The message could not be sent to these users.</translation>
    </message>
    <message>
        <source>%1には送信しました。</source>
        <translation>It was sent to %1.</translation>
    </message>
    <message>
        <source>
送信できなかったメッセージは、この送信ウィンドウに残してあります。</source>
        <translation>
The message that was not sent is still in this send window.</translation>
    </message>
    <message>
        <source>入力したメッセージは送信されずに破棄されます。よろしいですか？</source>
        <translation>The message you typed will be thrown away without being sent. Continue?</translation>
    </message>
    <message>
        <source>Ctrl+Enterでも送信できます。</source>
        <translation>Ctrl+Enter sends too.</translation>
    </message>
</context>
<context>
    <name>zn::TVersionForm</name>
    <message>
        <source>Zephinet -バージョン情報-</source>
        <translation>Zephinet - About</translation>
    </message>
</context>
<context>
    <name>zn::TrayAnimation</name>
    <message>
        <source>Zephinet（不在中）</source>
        <translation>Zephinet (away)</translation>
    </message>
    <message>
        <source> -メッセージが届いています-</source>
        <translation> - You have messages -</translation>
    </message>
</context>
<context>
    <name>zn::TrayMenu</name>
    <message numerus="yes">
        <source>クリップボード受信 &lt;未読%n通&gt;(&amp;L)</source>
        <translation>
            <numerusform>Read into Clip&amp;board (%n unread)</numerusform>
            <numerusform>Read into Clip&amp;board (%n unread)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>メッセージ受信 &lt;未読%n通&gt;(&amp;R)</source>
        <translation>
            <numerusform>&amp;Read Messages (%n unread)</numerusform>
            <numerusform>&amp;Read Messages (%n unread)</numerusform>
        </translation>
    </message>
    <message>
        <source>オンライン状況(&amp;M)</source>
        <translation>&amp;Who&apos;s Online</translation>
    </message>
    <message>
        <source>環境設定(&amp;O)</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>ログ参照(&amp;V)</source>
        <translation>&amp;Log Viewer</translation>
    </message>
    <message>
        <source>クリップボード受信(&amp;L)</source>
        <translation>Read into Clip&amp;board</translation>
    </message>
    <message>
        <source>クリップボード送信(&amp;C)</source>
        <translation>Send &amp;Clipboard</translation>
    </message>
    <message>
        <source>メッセージ受信(&amp;R)</source>
        <translation>&amp;Read Messages</translation>
    </message>
    <message>
        <source>メッセージ送信(&amp;S)</source>
        <translation>&amp;Send Message</translation>
    </message>
    <message>
        <source>不在メッセージ受信(&amp;U)</source>
        <translation>Get Away &amp;Message</translation>
    </message>
    <message>
        <source>不在(&amp;H)</source>
        <translation>&amp;Away</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)</source>
        <translation>About &amp;Zephinet</translation>
    </message>
    <message>
        <source>終了(&amp;E)</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
<context>
    <name>zn::UdpService</name>
    <message>
        <source>ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、ソケットサービスが組み込まれていません。</source>
        <translation>The network service could not start. Zephinet may already be running on the same port number, or networking is not available.</translation>
    </message>
    <message>
        <source>
ポート番号%1は「%2」（プロセスID %3）が使用しています。</source>
        <translation>
Port %1 is in use by &quot;%2&quot; (process ID %3).</translation>
    </message>
</context>
<context>
    <name>zn::WindowTrayIcon</name>
    <message>
        <source>ウィンドウを表示(&amp;W)</source>
        <translation>Show &amp;Window</translation>
    </message>
</context>
</TS>
