<%@ LANGUAGE="VBSCRIPT" %>
<%
  Option Explicit
  Dim conn, rs
  Set conn = Server.CreateObject("ADODB.Connection")
  conn.Open Application("PhoneBookDSN")
%>
<HTML>
<HEAD>
<TITLE>Internal phone list</TITLE>
</HEAD>
<BODY>
<H2>Internal phone list</H2>
<P>Extensions for the main office. Dial <B>9</B> for an outside line; from outside,
dial 0471&nbsp;88&nbsp;30 and the extension.</P>
<!-- the department filter posts back to this page -->
<FORM METHOD="get" ACTION="phones.asp">
Department:
<SELECT NAME="dept">
<OPTION VALUE="">All departments</OPTION>
<OPTION VALUE="acc">Accounts</OPTION>
<OPTION VALUE="it">IT help desk</OPTION>
<OPTION VALUE="wh">Warehouse</OPTION>
</SELECT>
<INPUT TYPE="submit" VALUE="Show">
</FORM>
<TABLE BORDER=1 CELLPADDING=2>
<TR><TH>Name</TH><TH>Department</TH><TH>Ext.</TH><TH>Room</TH></TR>
<TR><TD>Brenda Achterberg</TD><TD>Accounts</TD><TD>214</TD><TD>2.07</TD></TR>
<TR><TD>Tomasz Wielgosz</TD><TD>IT help desk</TD><TD>300</TD><TD>B.12</TD></TR>
<TR><TD>Ines Okonkwo-Hale</TD><TD>Warehouse</TD><TD>412</TD><TD>Hall 3</TD></TR>
<% Do While Not rs.EOF %>
<TR><TD><%= rs("Name") %></TD><TD><%= rs("Dept") %></TD><TD><%= rs("Ext") %></TD><TD><%= rs("Room") %></TD></TR>
<% rs.MoveNext : Loop %>
</TABLE>
<P>Emergencies: ext. <B>111</B> (first aid) &amp; <B>222</B> (facilities).<BR>
Last updated <%= Date() %> by the reception desk.</P>
</BODY>
</HTML>
