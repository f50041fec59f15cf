[Playlist]
numberofentries=9
file3=http://ice.example.org:8000/jazz.ogg
TITLE3=Smooth Jazz Radio
File1=http://ice.example.org:8000/rock
Title1=Classic Rock FM
length1=-1
FILE7=data:audio/mp3;base64,AAAA
Version=2
